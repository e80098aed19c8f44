#pragma once

#include <QString>
#include <QTimer>
#include <map>
#include <memory>

#include "ui/dispatcher.h"
#include "ui/qt/form_widget.h"
#include "ui/qt/look.h"
#include "ui/random.h"
#include "ui/system.h"
#include "ui/timer.h"

namespace ui::qt {

// The window system on Qt Widgets: a FormWidget per window, a QTimer per timer, Qt's dialogs.
// After every handler the widgets are brought in line with the model.
class QtSystem final : public System, public EventSink, private TimerDriver {
 public:
  // program_title: the title of the program's dialogs.
  explicit QtSystem(QString program_title);
  ~QtSystem() override;

  void show(Form& form) override;
  void hide(Form& form) override;
  std::string input_box(const std::string& prompt, int max_chars) override;
  void message_box(const std::string& text) override;
  void end_program() override;
  void randomize() override;
  float rnd() override;

  void deliver(const std::function<void()>& handler, Source source) override;
  void window_closed(Form& form) override;

  // The widget of a window, once it has been shown; null before.
  FormWidget* widget_of(const Form& form) const;
  bool ended() const { return ended_; }

 private:
  void timer_changed(Timer& timer) override;
  void create(Form& form);
  void sync_all();
  void report(const std::string& message, bool repeated);

  QString title_;
  Dispatcher dispatcher_;
  std::map<const Form*, std::unique_ptr<FormWidget>> widgets_;
  std::map<const Timer*, std::unique_ptr<QTimer>> timers_;
  ClockRandom random_;
  bool ended_ = false;
};

}  // namespace ui::qt
