#include "ui/window_system.h"

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// Thrown through a handler whose box was abandoned. Not a std::exception: the dispatcher lets it
// by, to deliver.
struct BoxAbandoned {};

}  // namespace

WindowSystem::WindowSystem(std::string program_title)
    : title_(std::move(program_title)),
      dispatcher_(
          [this](const std::string& message, bool repeated) { report(message, repeated); }) {}

void WindowSystem::show(Form& form) {
  form.Visible = true;
  if (std::find(created_.begin(), created_.end(), &form) == created_.end()) {
    created_.push_back(&form);
    create_window(form);
    load(form);
  }
  sync_windows();
}

// Shown by a handler, the load is a step of that handler and fails with it; else it is an event
// of its own.
void WindowSystem::load(Form& form) {
  if (!form.Load) return;
  if (dispatcher_.busy()) {
    form.Load();
  } else {
    deliver(form, form.Load, Source::timer);
  }
}

void WindowSystem::hide(Form& form) {
  form.Visible = false;
  sync_windows();
}

std::string WindowSystem::input_box(const std::string& prompt, int max_chars) {
  sync_windows();
  std::string typed = ask(prompt, max_chars);
  after_box();
  return typed;
}

void WindowSystem::message_box(const std::string& text) {
  sync_windows();
  tell(text);
  after_box();
}

void WindowSystem::end_program() {
  ended_ = true;
  for (Form* form : created_) form->Visible = false;
  sync_windows();
  stop();
}

bool WindowSystem::deliver(Form& form, const std::function<void()>& handler, Source source) {
  // One handler at a time: what comes during a handler or its boxes is dropped.
  if (ended_ || dispatcher_.busy()) return false;
  running_ = &form;
  bool ran = true;  // up to its box, for a handler whose box was abandoned
  try {
    ran = dispatcher_.run(handler, source);
  } catch (const BoxAbandoned&) {
    // Its window was closed under its box, or the program ended: the handler ends there.
  }
  running_ = nullptr;
  abandoned_ = false;
  sync_windows();
  return ran;
}

void WindowSystem::window_closed(Form& form) {
  if (ended_) return;
  if (dispatcher_.busy()) {
    // A box is open: only the window that asked closes, and its question goes with it.
    if (&form != running_) return;
    abandoned_ = true;
    close_boxes(form);
  }
  form.Visible = false;
  sync_windows();
  for (const Form* other : created_) {
    if (other->Visible) return;
  }
  end_program();
}

void WindowSystem::after_box() const {
  if (abandoned_ || ended_) throw BoxAbandoned{};
}

void WindowSystem::report(const std::string& message, bool repeated) {
  write_error(title_ + " : erreur d'exécution : " + message);
  if (repeated) return;  // the box for it was shown already
  sync_windows();
  show_error("Erreur d'exécution :\n\n" + message);
}

}  // namespace ui
