#include "ui/headless_system.h"

#include <algorithm>

namespace ui {

HeadlessSystem::HeadlessSystem()
    : dispatcher_([this](const std::string& message, bool) { errors.push_back(message); }) {}

void HeadlessSystem::show(Form& form) {
  // Shown when this returns, even when its loading failed.
  struct ShowOnReturn {
    Form& form;
    ~ShowOnReturn() { form.Visible = true; }
  } show_on_return{form};
  journal.push_back("show " + form.name());
  if (std::find(created_.begin(), created_.end(), &form) != created_.end()) return;
  created_.push_back(&form);
  for (Timer* t : form.timers()) {
    t->attach(this);
    slots_.push_back({t, now_ + t->interval()});
  }
  run(form.Load);
}

void HeadlessSystem::hide(Form& form) {
  journal.push_back("hide " + form.name());
  form.Visible = false;
}

std::string HeadlessSystem::input_box(const std::string& prompt, int max_chars) {
  prompts.push_back(prompt);
  input_limits.push_back(max_chars);
  journal.push_back("input " + prompt);
  if (on_input_box) on_input_box(prompt);
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

void HeadlessSystem::message_box(const std::string& text) {
  messages.push_back(text);
  journal.push_back("message " + text);
}

void HeadlessSystem::end_program() {
  ended = true;
  for (Form* f : created_) f->Visible = false;
}

void HeadlessSystem::randomize() {
  ++reseeds;
}

float HeadlessSystem::rnd() {
  if (!draws.empty()) {
    float r = draws.front();
    draws.pop_front();
    return r;
  }
  // 24 random bits make every float of [0, 1) on a 2^-24 grid, and never 1.
  return static_cast<float>(fallback_() % (1u << 24)) / static_cast<float>(1u << 24);
}

void HeadlessSystem::advance(std::int64_t ms) {
  const std::int64_t until = now_ + ms;
  while (!ended) {
    Slot* slot = next_due(until);
    if (slot == nullptr) break;
    now_ = slot->due;
    slot->due += slot->timer->interval();
    dispatcher_.run(slot->timer->Tick);
  }
  now_ = until;
}

HeadlessSystem::Slot* HeadlessSystem::next_due(std::int64_t until) {
  Slot* next = nullptr;
  for (Slot& s : slots_) {
    if (!s.timer->enabled() || s.due > until) continue;
    if (next == nullptr || s.due < next->due) next = &s;
  }
  return next;
}

void HeadlessSystem::timer_changed(Timer& timer) {
  for (Slot& s : slots_) {
    if (s.timer == &timer) s.due = now_ + timer.interval();
  }
}

bool HeadlessSystem::click_on(const Element& element, const std::function<void()>& handler) {
  if (ended || !element.shown()) return false;
  return dispatcher_.run(handler, Dispatcher::Source::player);
}

bool HeadlessSystem::press(const Form& form, Key key) {
  const std::function<void()>* handler = ended ? nullptr : form.key_handler(key);
  return handler != nullptr && dispatcher_.run(*handler, Dispatcher::Source::player);
}

void HeadlessSystem::run(const std::function<void()>& handler) {
  // Inside a handler (a window shown by the recording), Load is a step of that handler.
  if (!handler) return;
  if (dispatcher_.busy()) {
    handler();
  } else {
    dispatcher_.run(handler);
  }
}

}  // namespace ui
