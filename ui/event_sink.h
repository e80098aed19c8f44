#pragma once

#include <functional>

#include "ui/dispatcher.h"
#include "ui/form.h"

namespace ui {

// Where a window binding sends what the player does and what its timers ask: the system that
// runs handlers one at a time.
class EventSink {
 public:
  using Source = Dispatcher::Source;
  // Runs a handler of form's unless another one runs or the program has ended; false when the
  // event was dropped.
  virtual bool deliver(Form& form, const std::function<void()>& handler, Source source) = 0;
  // The player closed the window with its close control.
  virtual void window_closed(Form& form) = 0;

 protected:
  ~EventSink() = default;
};

}  // namespace ui
