#pragma once

#include <functional>
#include <string>
#include <utility>

namespace ui {

// Runs handlers one at a time. A handler that throws stops where it failed; its error is handed
// to the report and the program goes on. An event that arrives while a handler runs (a tick
// during a modal dialog) is dropped.
class Dispatcher {
 public:
  // repeated: a timer failed again as the last error did, with no click of the player since; a
  // report may then stay quiet rather than open a box every tick.
  using Report = std::function<void(const std::string& message, bool repeated)>;
  enum class Source { timer, player };

  explicit Dispatcher(Report report) : report_(std::move(report)) {}

  // False when the event was dropped.
  bool run(const std::function<void()>& handler, Source source = Source::timer);
  bool busy() const { return busy_; }

 private:
  void fail(const std::string& message, Source source);

  Report report_;
  bool busy_ = false;
  std::string last_error_;
};

}  // namespace ui
