#include "ui/timer.h"

#include <utility>

namespace ui {

Timer::Timer(std::string name, int interval_ms, bool enabled)
    : name_(std::move(name)), interval_(interval_ms), enabled_(enabled) {}

void Timer::set_enabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (driver_ != nullptr) driver_->timer_changed(*this);
}

}  // namespace ui
