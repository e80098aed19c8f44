#include "ui/click_tracker.h"

#include "ui/layout.h"
#include "ui/scene.h"

namespace ui {

namespace {

const std::function<void()>* click_of(Box& box) {
  const std::function<void()>* click = nullptr;
  visit(box, Overloaded{
                 [&](Picture& picture) { click = &picture.Click; },
                 [&](Button& button) { click = &button.Click; },
                 [](auto&) {},
             });
  return click != nullptr && *click ? click : nullptr;
}

}  // namespace

bool ClickTracker::press(const Form& form, int x, int y) {
  Box* box = box_at(form, x, y);
  pressed_ = box != nullptr && click_of(*box) != nullptr ? box : nullptr;
  return pressed_ != nullptr;
}

const std::function<void()>* ClickTracker::release(const Form& form, int x, int y) {
  Box* box = pressed_;
  pressed_ = nullptr;
  if (box == nullptr || box_at(form, x, y) != box) return nullptr;
  return click_of(*box);
}

bool ClickTracker::cancel() {
  const bool was = pressed_ != nullptr;
  pressed_ = nullptr;
  return was;
}

}  // namespace ui
