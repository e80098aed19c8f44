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

bool Dispatcher::run(const std::function<void()>& handler) {
  if (busy_ || !handler) return false;
  // Busy until the report is closed too, so a timer that keeps failing opens one box at a time.
  BusyGuard guard(busy_);
  try {
    handler();
  } catch (const RuntimeError& e) {
    report_(e.what());
  } catch (const std::exception& e) {
    report_(std::string("Erreur interne : ") + e.what());
  }
  return true;
}

}  // namespace ui
