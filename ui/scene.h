#pragma once

#include <vector>

#include "ui/form.h"
#include "ui/layout.h"

// A window as one drawn surface: what a binding without child windows paints, in which order,
// and what a click at a point reaches.
namespace ui {

// The shown boxes, back first: a container before what it holds and, among the children of one
// container, the one listed first last.
std::vector<Box*> back_to_front(const Form& form);

// Where a box may draw, in window pixels: the inner area of every container above it.
PixelRect clip_of(const Form& form, const Box& box);

// The front-most shown box at a point of the client area, in pixels; null on the bare window.
Box* box_at(const Form& form, int x, int y);

}  // namespace ui
