#pragma once

#include <functional>
#include <string>

namespace ui {

class Timer;

// What runs the clock: the headless system or the real event loop.
class TimerDriver {
 public:
  virtual void timer_changed(Timer& timer) = 0;

 protected:
  ~TimerDriver() = default;
};

// Fires Tick each time its interval has passed while enabled, counted from the moment it was
// switched on. Switching on a timer that already runs keeps its count.
class Timer {
 public:
  Timer(std::string name, int interval_ms, bool enabled);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  int interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool on);

  // The driver learns of every switch; it does not own the timer.
  void attach(TimerDriver* driver) { driver_ = driver; }

  std::function<void()> Tick;

 private:
  std::string name_;
  int interval_;
  bool enabled_;
  TimerDriver* driver_ = nullptr;
};

}  // namespace ui
