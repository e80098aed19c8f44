#include "ui/qt/qt_system.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <iostream>

#include "ui/qt/accessibility.h"

namespace ui::qt {

QtSystem::QtSystem(const QString& program_title) : WindowSystem(program_title.toStdString()) {
  install_accessibility();
}

// Widgets go first: they refer to the forms and timers they draw.
QtSystem::~QtSystem() {
  timers_.clear();
  widgets_.clear();
}

void QtSystem::create_window(Form& form) {
  const QScreen& screen = *QGuiApplication::primaryScreen();
  auto widget = std::make_unique<FormWidget>(form, *this, screen);
  // To a screen of another density, the window follows with its scale.
  FormWidget* moved = widget.get();
  QObject::connect(widget->windowHandle(), &QWindow::screenChanged, moved, [moved](QScreen* now) {
    if (now != nullptr) moved->fit_to(*now);
  });
  widgets_[&form] = std::move(widget);
  for (Timer* t : form.timers()) {
    auto qtimer = std::make_unique<QTimer>();
    qtimer->setTimerType(Qt::PreciseTimer);
    qtimer->setInterval(t->interval());
    QObject::connect(qtimer.get(), &QTimer::timeout,
                     [this, &form, t] { deliver(form, t->Tick, Source::timer); });
    if (t->enabled()) qtimer->start();
    timers_[t] = std::move(qtimer);
    t->attach(this);
  }
}

std::string QtSystem::ask(const std::string& prompt, int max_chars) {
  QInputDialog dialog;
  dialog.setWindowTitle(qstr(title()));
  dialog.setLabelText(qstr(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(max_chars);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

void QtSystem::tell(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, qstr(title()), qstr(text), QMessageBox::Ok);
  box.exec();
}

void QtSystem::stop() {
  for (auto& [timer, qtimer] : timers_) qtimer->stop();
  // Without a running loop, exit() would only leave a flag that makes every later loop return
  // at once, dialogs included.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void QtSystem::randomize() {
  random_.reseed();
}

float QtSystem::rnd() {
  return random_.next();
}

FormWidget* QtSystem::widget_of(const Form& form) const {
  auto it = widgets_.find(&form);
  return it == widgets_.end() ? nullptr : it->second.get();
}

void QtSystem::timer_changed(Timer& timer) {
  QTimer& qtimer = *timers_.at(&timer);
  if (timer.enabled()) {
    qtimer.start();
  } else {
    qtimer.stop();
  }
}

void QtSystem::sync_windows() {
  for (auto& [form, widget] : widgets_) {
    widget->sync();
    if (widget->isVisible() != form->Visible) widget->setVisible(form->Visible);
  }
}

void QtSystem::write_error(const std::string& line) {
  std::cerr << line << '\n';
}

void QtSystem::show_error(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, qstr(title()), qstr(text), QMessageBox::Ok);
  box.exec();
}

}  // namespace ui::qt
