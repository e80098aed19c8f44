#include "ui/elements.h"

#include <utility>

namespace ui {

Element::Element(std::string name, Element* container, bool visible)
    : Visible(visible), name_(std::move(name)), container_(container) {}

bool Element::shown() const {
  for (const Element* e = this; e != nullptr; e = e->container()) {
    if (!e->Visible) return false;
  }
  return true;
}

Box::Box(std::string name, Element* container, Rect r, bool visible)
    : Element(std::move(name), container, visible),
      Left(r.left),
      Top(r.top),
      Width(r.width),
      Height(r.height) {}

Line::Line(std::string name, Element* container, Ends ends, bool visible)
    : Element(std::move(name), container, visible),
      X1(ends.x1),
      Y1(ends.y1),
      X2(ends.x2),
      Y2(ends.y2) {}

}  // namespace ui
