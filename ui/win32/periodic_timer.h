#pragma once

#include <windows.h>

#include "ui/win32/gdi.h"

namespace ui::win32 {

// Raises the system's timer resolution to 1 ms for its life: the fallback where high-resolution
// waitable timers do not exist (Windows before 10 1803). It loads winmm then, and only then:
// imported by the program, winmm and the DLLs it brings would slow every start-up.
class FineTimerResolution {
 public:
  FineTimerResolution();
  ~FineTimerResolution();
  FineTimerResolution(const FineTimerResolution&) = delete;
  FineTimerResolution& operator=(const FineTimerResolution&) = delete;

 private:
  using Period = UINT(WINAPI*)(UINT);

  UniqueLibrary winmm_;
  Period end_ = nullptr;  // timeEndPeriod, once timeBeginPeriod was called
};

// A waitable timer signalled every period, counted from start(). SetTimer would follow the
// system's 15.6 ms tick, so 63 ms would come out as 62.5 or 78.1 ms; a high-resolution waitable
// timer keeps the period, and a periodic one never drifts: each due time is the last plus the
// period, however late the program waited.
class PeriodicTimer {
 public:
  explicit PeriodicTimer(int period_ms);

  // False when the system has no high-resolution timers: keep a FineTimerResolution then.
  bool high_resolution() const { return high_resolution_; }
  HANDLE handle() const { return handle_.get(); }

  void start();
  // Stops it and forgets a tick that fell due and was not taken.
  void stop();
  // Takes a tick that fell due, if one did.
  bool take();

 private:
  int period_ms_;
  bool high_resolution_ = true;
  UniqueHandle handle_;
};

// Sends a message to a window every millisecond, or as often as the system's tick allows, from a
// thread of the system's pool, for its life. A sent message reaches the window from every loop
// that waits for messages, even one that takes the mouse's alone, where WM_TIMER would wait.
class Waker {
 public:
  Waker(HWND window, UINT message);
  // Waits for a message being sent: none is sent once it has gone.
  ~Waker();
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;

 private:
  static void CALLBACK wake(void* self, BOOLEAN);

  HWND window_;
  UINT message_;
  HANDLE timer_ = nullptr;  // in the process's default timer queue
};

}  // namespace ui::win32
