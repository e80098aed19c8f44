#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/random.h"
#include "ui/timer.h"
#include "ui/win32/form_window.h"
#include "ui/win32/periodic_timer.h"
#include "ui/window_system.h"

namespace ui::win32 {

// The window system on the Win32 API: a FormWindow per window, a periodic waitable timer per
// timer, the system's message box and an input box of its own. A box belongs to the window whose
// handler opened it; while it is open the program's other windows refuse the player, as with
// Qt's application-modal dialogs, and closing the window that asked takes the box away.
class Win32System final : public WindowSystem, public LoopTicks, private TimerDriver {
 public:
  // program_title: the title of the program's dialogs.
  explicit Win32System(const std::wstring& program_title);
  ~Win32System() override;

  void randomize() override;
  float rnd() override;
  void serve_due_ticks() override;

  // Runs the program's events until it ends; the program's exit status.
  int run();

 private:
  struct Clock {
    Form* form;
    Timer* timer;
    std::unique_ptr<PeriodicTimer> periodic;
  };

  void create_window(Form& form) override;
  void sync_windows() override;
  void stop() override;
  std::string ask(const std::string& prompt, int max_chars) override;
  void tell(const std::string& text) override;
  void write_error(const std::string& line) override;
  void show_error(const std::string& text) override;
  void close_boxes(Form& form) override;
  void timer_changed(Timer& timer) override;
  // Opens a box owned by the window of the running handler.
  void open_box(const std::function<void(HWND owner)>& open);
  // Ticks that fell due while a box was open are dropped, as events during a handler are.
  void drop_ticks_due();
  void pump_messages();

  std::map<const Form*, std::unique_ptr<FormWindow>> windows_;
  std::vector<Clock> clocks_;
  std::optional<FineTimerResolution> fine_resolution_;
  ClockRandom random_;
};

}  // namespace ui::win32
