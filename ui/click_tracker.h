#pragma once

#include <functional>

#include "ui/elements.h"
#include "ui/form.h"

namespace ui {

// A click on a window drawn as one surface: a press and a release on the same element that takes
// clicks, as with any button. Points are in the model's pixels from the client area's corner.
class ClickTracker {
 public:
  // True when the press landed on an element that takes clicks: it is drawn pressed until the
  // release.
  bool press(const Form& form, int x, int y);
  // Ends the press; the click to run when it is released over the element it began on, else null.
  const std::function<void()>* release(const Form& form, int x, int y);
  // The press lost, as when the platform takes the mouse away: no click. True when an element
  // was pressed, to be drawn again.
  bool cancel();

  const Box* pressed() const { return pressed_; }

 private:
  Box* pressed_ = nullptr;
};

}  // namespace ui
