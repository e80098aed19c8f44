#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/dispatcher.h"
#include "ui/event_sink.h"
#include "ui/form.h"
#include "ui/system.h"

namespace ui {

// What every window system does the same way: which windows it has created, showing, hiding and
// closing them, the program's end, one handler at a time, and the boxes those handlers open. A
// binding adds its platform's windows, timers and boxes through the hooks below.
class WindowSystem : public System, public EventSink {
 public:
  // Visible before it loads: a load that fails is reported over the window, which stays.
  void show(Form& form) override;
  void hide(Form& form) override;
  // The windows look as the handler left them before a box opens.
  std::string input_box(const std::string& prompt, int max_chars) final;
  void message_box(const std::string& text) final;
  // Every window hidden, then the platform stops.
  void end_program() final;

  // After the handler, the windows are brought in line with the model.
  bool deliver(Form& form, const std::function<void()>& handler, Source source) final;
  // Hides the window; when no window of the program is left on screen the program ends: a
  // hidden game window does not keep it alive. While a handler runs, only its own window closes,
  // and the handler ends at its box, which goes with the window.
  void window_closed(Form& form) final;

  bool ended() const { return ended_; }
  // The title of the program's boxes and of its lines on standard error.
  const std::string& title() const { return title_; }

 protected:
  explicit WindowSystem(std::string program_title);

  // A window shown for the first time: its native window made and its timers counting, before
  // its Load runs.
  virtual void create_window(Form& form) = 0;
  // Every window in line with the model: shown or hidden, caption, what it draws.
  virtual void sync_windows() = 0;
  // The program's end, its windows hidden already: timers stopped, the event loop left, a box
  // that is open closed.
  virtual void stop() = 0;
  // The platform's modal boxes, titled with the program's title. ask returns the text typed, at
  // most max_chars, or the empty text on Cancel.
  virtual std::string ask(const std::string& prompt, int max_chars) = 0;
  virtual void tell(const std::string& text) = 0;
  // A handler's error: a line for the program's standard error, then, unless the same error
  // came again, the text of a modal error box.
  virtual void write_error(const std::string& line) = 0;
  virtual void show_error(const std::string& text) = 0;
  // The boxes open for the window's handler, ended as their Cancel would. Where the boxes block
  // the closing of every window, there are none to end.
  virtual void close_boxes(Form& /*form*/) {}

  // The window whose handler runs; null between handlers.
  Form* running() const { return running_; }
  // Every window created, in order.
  const std::vector<Form*>& windows() const { return created_; }

 private:
  void load(Form& form);
  void report(const std::string& message, bool repeated);
  // After a box: the handler goes no further if the box went with its window or the program's
  // end (a nickname never typed is not recorded).
  void after_box() const;

  std::string title_;
  Dispatcher dispatcher_;
  std::vector<Form*> created_;
  Form* running_ = nullptr;
  bool abandoned_ = false;  // the running handler's window closed under its box
  bool ended_ = false;
};

}  // namespace ui
