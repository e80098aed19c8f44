#pragma once

#include <QString>
#include <QTimer>
#include <map>
#include <memory>

#include "ui/qt/form_widget.h"
#include "ui/qt/look.h"
#include "ui/random.h"
#include "ui/timer.h"
#include "ui/window_system.h"

namespace ui::qt {

// The window system on Qt Widgets: a FormWidget per window, a QTimer per timer, Qt's dialogs,
// which are application-modal: no window takes a click or a close while one is open.
class QtSystem final : public WindowSystem, private TimerDriver {
 public:
  // program_title: the title of the program's dialogs.
  explicit QtSystem(const QString& program_title);
  ~QtSystem() override;

  void randomize() override;
  float rnd() override;

  // The widget of a window, once it has been shown; null before.
  FormWidget* widget_of(const Form& form) const;

 private:
  void create_window(Form& form) override;
  void sync_windows() override;
  void stop() override;
  std::string ask(const std::string& prompt, int max_chars) override;
  void tell(const std::string& text) override;
  void write_error(const std::string& line) override;
  void show_error(const std::string& text) override;
  void timer_changed(Timer& timer) override;

  std::map<const Form*, std::unique_ptr<FormWidget>> widgets_;
  std::map<const Timer*, std::unique_ptr<QTimer>> timers_;
  ClockRandom random_;
};

}  // namespace ui::qt
