#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/dispatcher.h"
#include "ui/random.h"
#include "ui/system.h"
#include "ui/timer.h"
#include "ui/web/canvas_window.h"

namespace ui::web {

// The window system of a web page: a CanvasWindow per window, the browser's clock for the
// timers, HTML boxes. A handler that opens a box waits for its answer (the page goes on
// meanwhile); ticks that fall due in that time are dropped, as on the desktop. After every
// handler the windows are brought in line with the model.
class WebSystem final : public System, public WindowEvents, private TimerDriver {
 public:
  // program_title: the title of the program's boxes. One system per page.
  explicit WebSystem(std::string program_title);
  ~WebSystem() override;
  WebSystem(const WebSystem&) = delete;
  WebSystem& operator=(const WebSystem&) = delete;

  void show(Form& form) override;
  void hide(Form& form) override;
  std::string input_box(const std::string& prompt, int max_chars) override;
  void message_box(const std::string& text) override;
  void end_program() override;
  void randomize() override;
  float rnd() override;

  void deliver(Form& form, const std::function<void()>& handler, Source source) override;
  void window_closed(Form& form) override;

  // The page's events, by the numbers the system gave its windows and timers.
  void tick(int timer);
  CanvasWindow* window(int id);

  // The page's system, while it lives.
  static WebSystem* on_page();

 private:
  struct Shown {
    Form* form;
    std::unique_ptr<CanvasWindow> window;
  };

  void timer_changed(Timer& timer) override;
  void create(Form& form);
  void sync_all();
  void report(const std::string& message, bool repeated);

  std::string title_;
  Dispatcher dispatcher_;
  std::vector<Shown> windows_;  // numbered by their place
  struct Clock {
    Form* form;
    Timer* timer;
  };
  std::vector<Clock> clocks_;  // numbered by their place
  ClockRandom random_;
  bool ended_ = false;
};

// The objects a program is made of live on after main returns, as the page does.
void keep_alive(std::shared_ptr<void> program);

}  // namespace ui::web
