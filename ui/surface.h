#pragma once

#include "ui/elements.h"
#include "ui/form.h"
#include "ui/grid.h"
#include "ui/layout.h"

// How a binding without child windows paints a window: one walk, the binding's strokes.
namespace ui {

// The strokes of one paint, in window pixels at scale 1; the binding scales them.
class SurfacePainter {
 public:
  virtual ~SurfacePainter() = default;

  // The whole surface.
  virtual void background(Colour colour) = 0;
  virtual void line(const Line& line) = 0;
  // What follows stays inside area, until the next clip or the end of the paint.
  virtual void clip(const PixelRect& area) = 0;
  virtual void picture(const Picture& picture, const PixelRect& r) = 0;
  virtual void label(const Label& label, const PixelRect& r) = 0;
  virtual void button(const Button& button, const PixelRect& r, bool pressed) = 0;
  virtual void grid(const Grid& grid, const PixelRect& r) = 0;
};

// The whole window: its background, the shown lines, then every shown box back first, each
// clipped to its containers. pressed is the button held down, if any.
void paint_surface(const Form& form, const Box* pressed, SurfacePainter& painter);

}  // namespace ui
