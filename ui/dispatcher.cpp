#include "ui/dispatcher.h"

#include <exception>

#include "ui/runtime_error.h"

namespace ui {

namespace {

class BusyGuard {
 public:
  explicit BusyGuard(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyGuard() { busy_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& busy_;
};

}  // namespace

bool Dispatcher::run(const std::function<void()>& handler, Source source) {
  if (busy_ || !handler) return false;
  if (source == Source::player) last_error_.clear();
  // Busy until the report is closed too, so a timer that keeps failing opens one box at a time.
  BusyGuard guard(busy_);
  try {
    handler();
  } catch (const RuntimeError& e) {
    fail(e.what(), source);
  } catch (const std::exception& e) {
    fail(std::string("Erreur interne : ") + e.what(), source);
  }
  return true;
}

void Dispatcher::fail(const std::string& message, Source source) {
  const bool repeated = source == Source::timer && message == last_error_;
  last_error_ = message;
  report_(message, repeated);
}

}  // namespace ui
