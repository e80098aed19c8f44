#include "ui/qt/qt_system.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QWindow>
#include <iostream>

#include "ui/qt/accessibility.h"
#include "ui/qt/placement.h"

namespace ui::qt {

QtSystem::QtSystem(QString program_title)
    : title_(std::move(program_title)),
      dispatcher_(
          [this](const std::string& message, bool repeated) { report(message, repeated); }) {
  install_accessibility();
}

// Widgets go first: they refer to the forms and timers they draw.
QtSystem::~QtSystem() {
  timers_.clear();
  widgets_.clear();
}

void QtSystem::show(Form& form) {
  // Visible before it loads: a load that fails is reported over the window, which stays.
  form.Visible = true;
  if (widget_of(form) == nullptr) create(form);
  sync_all();
}

void QtSystem::create(Form& form) {
  const QScreen& screen = *QGuiApplication::primaryScreen();
  auto widget = std::make_unique<FormWidget>(form, *this, screen);
  place(*widget, form, screen);
  // Its native window now, to follow it to a screen of another density.
  widget->winId();
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
                     [this, t] { deliver(t->Tick, Source::timer); });
    if (t->enabled()) qtimer->start();
    timers_[t] = std::move(qtimer);
    t->attach(this);
  }
  run_load(form, dispatcher_, [this](const auto& load) { deliver(load, Source::timer); });
}

void QtSystem::hide(Form& form) {
  form.Visible = false;
  sync_all();
}

std::string QtSystem::input_box(const std::string& prompt, int max_chars) {
  sync_all();
  QInputDialog dialog;
  dialog.setWindowTitle(title_);
  dialog.setLabelText(qstr(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(max_chars);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

void QtSystem::message_box(const std::string& message) {
  sync_all();
  QMessageBox box(QMessageBox::NoIcon, title_, qstr(message), QMessageBox::Ok);
  box.exec();
}

void QtSystem::end_program() {
  ended_ = true;
  for (auto& [timer, qtimer] : timers_) qtimer->stop();
  for (auto& [form, widget] : widgets_) widget->hide();
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

void QtSystem::deliver(const std::function<void()>& handler, Source source) {
  if (ended_) return;
  if (dispatcher_.run(handler, source) && !ended_) sync_all();
}

void QtSystem::window_closed(Form& form) {
  if (ended_) return;
  form.Visible = false;
  for (const auto& [other, widget] : widgets_) {
    if (other->Visible) return;
  }
  // No window of the program is left on screen: a hidden window does not keep it alive.
  end_program();
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

void QtSystem::sync_all() {
  for (auto& [form, widget] : widgets_) {
    widget->sync();
    if (widget->isVisible() != form->Visible) widget->setVisible(form->Visible);
  }
}

void QtSystem::report(const std::string& message, bool repeated) {
  std::cerr << title_.toStdString() << " : erreur d'exécution : " << message << '\n';
  if (repeated) return;  // the box for it was shown already
  sync_all();
  QMessageBox box(QMessageBox::Critical, title_,
                  QStringLiteral("Erreur d'exécution :\n\n") + qstr(message), QMessageBox::Ok);
  box.exec();
}

}  // namespace ui::qt
