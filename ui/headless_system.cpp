#include "ui/headless_system.h"

namespace ui {

void HeadlessSystem::show(Form& form) {
  journal.push_back("show " + form.name());
  WindowSystem::show(form);
}

void HeadlessSystem::create_window(Form& form) {
  for (Timer* t : form.timers()) {
    t->attach(this);
    slots_.push_back({&form, t, now_ + t->interval()});
  }
}

void HeadlessSystem::hide(Form& form) {
  journal.push_back("hide " + form.name());
  WindowSystem::hide(form);
}

std::string HeadlessSystem::ask(const std::string& prompt, int max_chars) {
  prompts.push_back(prompt);
  input_limits.push_back(max_chars);
  journal.push_back("input " + prompt);
  if (on_input_box) on_input_box(prompt);
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

void HeadlessSystem::tell(const std::string& text) {
  messages.push_back(text);
  journal.push_back("message " + text);
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
  while (!ended()) {
    Slot* slot = next_due(until);
    if (slot == nullptr) break;
    now_ = slot->due;
    slot->due += slot->timer->interval();
    deliver(*slot->form, slot->timer->Tick, Source::timer);
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

bool HeadlessSystem::click_on(Element& element, const std::function<void()>& handler) {
  if (!element.shown()) return false;
  // A shown element lies in a window: the top of its containers.
  Element* top = &element;
  while (top->container() != nullptr) top = top->container();
  auto* form = dynamic_cast<Form*>(top);
  return form != nullptr && deliver(*form, handler, Source::player);
}

}  // namespace ui
