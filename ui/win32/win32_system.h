#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/dispatcher.h"
#include "ui/random.h"
#include "ui/system.h"
#include "ui/timer.h"
#include "ui/win32/form_window.h"
#include "ui/win32/periodic_timer.h"

namespace ui::win32 {

// The window system on the Win32 API: a FormWindow per window, a periodic waitable timer per
// timer, the system's message box and an input box of its own. After every handler the
// windows are brought in line with the model. A box belongs to the window whose handler opened
// it; while it is open the program's other windows refuse the player, as with Qt's
// application-modal dialogs.
class Win32System final : public System, public WindowEvents, private TimerDriver {
 public:
  // program_title: the title of the program's dialogs.
  explicit Win32System(std::wstring program_title);
  ~Win32System() override;

  void show(Form& form) override;
  void hide(Form& form) override;
  std::string input_box(const std::string& prompt, int max_chars) override;
  void message_box(const std::string& text) override;
  void end_program() override;
  void randomize() override;
  float rnd() override;

  void deliver(Form& form, const std::function<void()>& handler, Source source) override;
  // Closing the window that asked a question abandons it: the handler goes no further. The
  // other windows do not close while a box is open.
  void window_closed(Form& form) override;
  void serve_due_ticks() override;

  // Runs the program's events until it ends; the program's exit status.
  int run();

 private:
  struct Clock {
    Form* form;
    Timer* timer;
    std::unique_ptr<PeriodicTimer> periodic;
  };

  void timer_changed(Timer& timer) override;
  void create(Form& form);
  void sync_all();
  void report(const std::string& message, bool repeated);
  // Opens a box owned by the window of the running handler.
  void open_box(const std::function<void(HWND owner)>& open);
  // After a box that a handler asked for: that handler ends there if the box was abandoned.
  void go_on_after_box() const;
  // Ticks that fell due while a box was open are dropped, as events during a handler are.
  void drop_ticks_due();
  void pump_messages();

  std::wstring title_;
  Dispatcher dispatcher_;
  std::map<const Form*, std::unique_ptr<FormWindow>> windows_;
  std::vector<Clock> clocks_;
  std::optional<FineTimerResolution> fine_resolution_;
  ClockRandom random_;
  Form* delivering_ = nullptr;  // whose handler runs
  bool abandoned_ = false;      // its box was closed with its window
  bool ended_ = false;
};

}  // namespace ui::win32
