#pragma once

#include <optional>

#include "ui/surface.h"
#include "ui/web/canvas.h"

// How each kind of box looks on a canvas: the same pixels as the desktop's at scale 1.
namespace ui::web {

// One paint of a window's canvas.
class CanvasPainter : public SurfacePainter {
 public:
  CanvasPainter(int window, const Form& form) : painting_(window), form_(form) {}

  void background(Colour colour) override;
  // In black, one pixel thick.
  void line(const Line& line) override;
  void clip(const PixelRect& area) override;
  void picture(const Picture& picture, const PixelRect& r) override;
  void label(const Label& label, const PixelRect& r) override;
  void button(const Button& button, const PixelRect& r, bool pressed) override;
  void grid(const Grid& grid, const PixelRect& r) override;

 private:
  Painting painting_;
  const Form& form_;
  std::optional<Clip> clip_;  // released before the painting ends
};

}  // namespace ui::web
