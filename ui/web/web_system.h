#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/random.h"
#include "ui/timer.h"
#include "ui/web/canvas_window.h"
#include "ui/window_system.h"

namespace ui::web {

// The window system of a web page: a CanvasWindow per window, the browser's clock for the
// timers, HTML boxes. A handler that opens a box waits for its answer while the page goes on;
// ticks that fall due meanwhile are dropped, as on the desktop.
class WebSystem final : public WindowSystem, private TimerDriver {
 public:
  // program_title: the title of the program's boxes. One system per page.
  explicit WebSystem(std::string program_title);
  ~WebSystem() override;
  WebSystem(const WebSystem&) = delete;
  WebSystem& operator=(const WebSystem&) = delete;

  void randomize() override;
  float rnd() override;

  // The page's events, by the numbers the system gave its windows and timers.
  void tick(int timer);
  CanvasWindow* window(int id);

  // The page's system, while it lives.
  static WebSystem* on_page();

  // A control of the page outside the windows (a button of scores.html), named by the page: its
  // action runs as a handler of form's, one at a time with the others, given what the control
  // hands over (a file's first bytes and its whole size).
  using PageAction = std::function<void(std::string data, std::uint64_t size)>;
  void on_page_action(std::string name, Form& form, PageAction action);
  // False when the action could not run now (another handler runs) or has no such name.
  bool page_action(const std::string& name, std::string data, std::uint64_t size);

  // A question with two answers, asked by a box of the page; true for yes.
  bool confirm(const std::string& question, const std::string& yes, const std::string& no);

 private:
  struct Clock {
    Form* form;
    Timer* timer;
  };
  struct Action {
    std::string name;
    Form* form;
    PageAction run;
  };

  void create_window(Form& form) override;
  void sync_windows() override;
  void stop() override;
  std::string ask(const std::string& prompt, int max_chars) override;
  void tell(const std::string& text) override;
  void write_error(const std::string& line) override;
  void show_error(const std::string& text) override;
  void timer_changed(Timer& timer) override;

  std::vector<std::unique_ptr<CanvasWindow>> windows_;  // numbered by their place
  std::vector<Clock> clocks_;                           // numbered by their place
  std::vector<Action> actions_;
  ClockRandom random_;
};

// The objects a program is made of live on after main returns, as the page does.
void keep_alive(std::shared_ptr<void> program);

}  // namespace ui::web
