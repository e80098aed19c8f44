#include "ui/scene.h"

#include <algorithm>

namespace ui {

namespace {

// The shown children of a container, front first.
std::vector<Box*> children(const Form& form, const Element* container) {
  std::vector<Box*> found;
  for (Box* box : form.boxes()) {
    if (box->container() == container && box->Visible) found.push_back(box);
  }
  return found;
}

void add_back_to_front(const Form& form, const Element* container, std::vector<Box*>& order) {
  const std::vector<Box*> front_first = children(form, container);
  for (auto it = front_first.rbegin(); it != front_first.rend(); ++it) {
    order.push_back(*it);
    add_back_to_front(form, *it, order);
  }
}

bool contains(const PixelRect& r, int x, int y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  const int right = std::min(a.x + a.width, b.x + b.width);
  const int bottom = std::min(a.y + a.height, b.y + b.height);
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

Box* front_at(const Form& form, const Element* container, int x, int y) {
  for (Box* box : children(form, container)) {
    if (!contains(intersect(window_rect(*box), clip_of(form, *box)), x, y)) continue;
    Box* inner = front_at(form, box, x, y);
    return inner != nullptr ? inner : box;
  }
  return nullptr;
}

}  // namespace

std::vector<Box*> back_to_front(const Form& form) {
  std::vector<Box*> order;
  add_back_to_front(form, &form, order);
  return order;
}

PixelRect clip_of(const Form& form, const Box& box) {
  PixelRect clip{0, 0, px(form.ScaleWidth), px(form.ScaleHeight)};
  for (const Element* e = box.container(); e != nullptr && e->as_box() != nullptr;
       e = e->container()) {
    PixelRect inner = window_rect(*e->as_box());
    const int inset = e->inset();
    inner = {inner.x + inset, inner.y + inset, inner.width - 2 * inset, inner.height - 2 * inset};
    clip = intersect(clip, inner);
  }
  return clip;
}

Box* box_at(const Form& form, int x, int y) {
  return front_at(form, &form, x, y);
}

}  // namespace ui
