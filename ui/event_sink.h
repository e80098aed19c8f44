#pragma once

#include <functional>

#include "ui/dispatcher.h"
#include "ui/form.h"

namespace ui {

// Where a window binding sends what the player does: the system that runs handlers one at a
// time.
class EventSink {
 public:
  using Source = Dispatcher::Source;
  virtual void deliver(const std::function<void()>& handler, Source source) = 0;
  virtual void window_closed(Form& form) = 0;

 protected:
  ~EventSink() = default;
};

// Runs a window's Load as the system creates it. Shown by a handler, the load is a step of that
// handler and fails with it; else it is an event of its own, handed to deliver.
inline void run_load(Form& form, const Dispatcher& dispatcher,
                     const std::function<void(const std::function<void()>&)>& deliver) {
  if (!form.Load) return;
  if (dispatcher.busy()) {
    form.Load();
  } else {
    deliver(form.Load);
  }
}

}  // namespace ui
