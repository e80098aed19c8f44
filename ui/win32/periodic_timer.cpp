#include "ui/win32/periodic_timer.h"

#include <string>

#include "ui/runtime_error.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace ui::win32 {

namespace {

template <class F>
F winmm_call(HMODULE winmm, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(winmm, name)));
}

}  // namespace

// From the system's folder: a winmm.dll beside the program is never the one loaded.
FineTimerResolution::FineTimerResolution() {
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  winmm_.reset(LoadLibraryW((std::wstring(system, length) + L"\\winmm.dll").c_str()));
  if (!winmm_) return;
  const auto begin = winmm_call<Period>(winmm_.get(), "timeBeginPeriod");
  const auto end = winmm_call<Period>(winmm_.get(), "timeEndPeriod");
  if (begin == nullptr || end == nullptr) return;
  begin(1);
  end_ = end;
}

FineTimerResolution::~FineTimerResolution() {
  if (end_ != nullptr) end_(1);
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

// Without a timer the window is not woken: its ticks wait for the end of the system's loop, as
// they would with no waker at all.
Waker::Waker(HWND window, UINT message) : window_(window), message_(message) {
  if (!CreateTimerQueueTimer(&timer_, nullptr, wake, this, 1, 1, WT_EXECUTEINTIMERTHREAD)) {
    timer_ = nullptr;
  }
}

Waker::~Waker() {
  if (timer_ != nullptr) DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
}

// Notified, not sent: the pool's thread never waits for the window's, which may be deleting it.
void CALLBACK Waker::wake(void* self, BOOLEAN) {
  const auto& waker = *static_cast<const Waker*>(self);
  SendNotifyMessageW(waker.window_, waker.message_, 0, 0);
}

}  // namespace ui::win32
