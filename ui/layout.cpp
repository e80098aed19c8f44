#include "ui/layout.h"

#include <cmath>

namespace ui {

int px(float twips) {
  return static_cast<int>(std::lround(twips / 15.0f));
}

PixelRect local_rect(const Box& box) {
  // A box always lies in a window or in another box.
  const int inset = box.container()->inset();
  return {inset + px(box.Left), inset + px(box.Top), px(box.Width), px(box.Height)};
}

PixelRect window_rect(const Box& box) {
  PixelRect r = local_rect(box);
  for (const Element* e = box.container(); e != nullptr && e->as_box() != nullptr;
       e = e->container()) {
    const PixelRect outer = local_rect(*e->as_box());
    r.x += outer.x;
    r.y += outer.y;
  }
  return r;
}

}  // namespace ui
