#pragma once

#include <string>

#include "ui/elements.h"
#include "ui/layout.h"

// The painting calls of a window's canvas, in the window's pixels at scale 1: the page scales
// them to the canvas's device pixels.
namespace ui::web {

// Everything painted until it goes lands on that window's canvas.
class Painting {
 public:
  explicit Painting(int window);
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
};

void fill(PixelRect r, Colour c);

// Drawing stays inside r while it lives.
class Clip {
 public:
  explicit Clip(PixelRect r);
  ~Clip();
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;
};

// A picture of the site at its natural size, its upper-left corner at (x, y).
void picture(const std::string& name, int x, int y);

enum class Place { top_left, top_centre, middle_left, middle_centre };
// Text inside r, in the font's family (Comic Neue where the page lacks it).
void text(const std::string& utf8, PixelRect r, const Font& font, Colour c, Place place);

}  // namespace ui::web
