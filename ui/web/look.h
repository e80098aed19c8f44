#pragma once

#include "ui/elements.h"
#include "ui/grid.h"
#include "ui/layout.h"

// How each kind of box looks on a canvas: the same pixels as the desktop's at scale 1.
namespace ui::web {

// A line of the window's surface, in black, one pixel thick.
void draw_line(const Line& line);
void draw_picture(const Picture& picture, PixelRect r);
void draw_label(const Label& label, PixelRect r);
void draw_button(const Button& button, PixelRect r, bool pressed);
void draw_grid(const Grid& grid, PixelRect r);

}  // namespace ui::web
