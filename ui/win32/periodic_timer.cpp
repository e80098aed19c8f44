#include "ui/win32/periodic_timer.h"

#include <mmsystem.h>

#include "ui/runtime_error.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace ui::win32 {

FineTimerResolution::FineTimerResolution() {
  timeBeginPeriod(1);
}

FineTimerResolution::~FineTimerResolution() {
  timeEndPeriod(1);
}

PeriodicTimer::PeriodicTimer(int period_ms) : period_ms_(period_ms) {
  handle_.reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                       TIMER_ALL_ACCESS));
  if (!handle_) {
    high_resolution_ = false;
    handle_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
  }
  if (!handle_) throw RuntimeError("le minuteur ne peut être créé");
}

void PeriodicTimer::start() {
  LARGE_INTEGER due;
  due.QuadPart = -10'000LL * period_ms_;  // relative, in 100 ns units
  SetWaitableTimer(handle_.get(), &due, period_ms_, nullptr, nullptr, FALSE);
}

void PeriodicTimer::stop() {
  CancelWaitableTimer(handle_.get());
  take();
}

bool PeriodicTimer::take() {
  return WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0;
}

}  // namespace ui::win32
