#pragma once

#include <functional>
#include <string>

namespace ui {

// Runs handlers one at a time. A handler that throws stops where it failed; its error is handed
// to the report and the program goes on. An event that arrives while a handler runs (a tick
// during a modal dialog) is dropped.
class Dispatcher {
 public:
  using Report = std::function<void(const std::string& message)>;

  explicit Dispatcher(Report report) : report_(std::move(report)) {}

  // False when the event was dropped.
  bool run(const std::function<void()>& handler);
  bool busy() const { return busy_; }

 private:
  Report report_;
  bool busy_ = false;
};

}  // namespace ui
