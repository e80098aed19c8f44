#include "ui/web/web_system.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <iostream>

#include "ui/event_sink.h"

// In page.js.
extern "C" {
char* klb_web_input_box(const char* title, const char* prompt, int max_chars);
int klb_web_message_box(const char* title, const char* text, int error);
void klb_web_timer_start(int id, int interval);
void klb_web_timer_stop(int id);
void klb_web_end(const char* title);
}

namespace ui::web {

namespace {

// The page's own state, as a window system's is: its one system and what main made.
WebSystem* page_system = nullptr;
std::vector<std::shared_ptr<void>> kept;

}  // namespace

void keep_alive(std::shared_ptr<void> program) {
  kept.push_back(std::move(program));
}

WebSystem* WebSystem::on_page() {
  return page_system;
}

WebSystem::WebSystem(std::string program_title)
    : title_(std::move(program_title)),
      dispatcher_(
          [this](const std::string& message, bool repeated) { report(message, repeated); }) {
  page_system = this;
}

WebSystem::~WebSystem() {
  for (std::size_t id = 0; id < clocks_.size(); ++id) klb_web_timer_stop(static_cast<int>(id));
  page_system = nullptr;
}

void WebSystem::show(Form& form) {
  // Visible before it loads: a load that fails is reported over the window, which stays.
  form.Visible = true;
  bool known = false;
  for (const Shown& shown : windows_) known = known || shown.form == &form;
  if (!known) create(form);
  sync_all();
}

void WebSystem::create(Form& form) {
  const int id = static_cast<int>(windows_.size());
  windows_.push_back({&form, std::make_unique<CanvasWindow>(form, id, *this)});
  for (Timer* t : form.timers()) {
    clocks_.push_back({&form, t});
    if (t->enabled()) klb_web_timer_start(static_cast<int>(clocks_.size() - 1), t->interval());
    t->attach(this);
  }
  run_load(form, dispatcher_, [&](const auto& load) { deliver(form, load, Source::timer); });
}

void WebSystem::hide(Form& form) {
  form.Visible = false;
  sync_all();
}

std::string WebSystem::input_box(const std::string& prompt, int max_chars) {
  sync_all();
  char* typed = klb_web_input_box(title_.c_str(), prompt.c_str(), max_chars);
  std::string answer = typed == nullptr ? std::string() : std::string(typed);
  std::free(typed);
  return answer;
}

void WebSystem::message_box(const std::string& text) {
  sync_all();
  klb_web_message_box(title_.c_str(), text.c_str(), 0);
}

void WebSystem::end_program() {
  if (ended_) return;
  ended_ = true;
  for (std::size_t id = 0; id < clocks_.size(); ++id) klb_web_timer_stop(static_cast<int>(id));
  klb_web_end(title_.c_str());
}

void WebSystem::randomize() {
  random_.reseed();
}

float WebSystem::rnd() {
  return random_.next();
}

void WebSystem::deliver(Form&, const std::function<void()>& handler, Source source) {
  if (ended_) return;
  if (dispatcher_.run(handler, source) && !ended_) sync_all();
}

void WebSystem::window_closed(Form& form) {
  if (ended_) return;
  form.Visible = false;
  sync_all();
  for (const Shown& shown : windows_) {
    if (shown.form->Visible) return;
  }
  // No window of the program is left on the page: a hidden window does not keep it alive.
  end_program();
}

void WebSystem::tick(int timer) {
  if (timer < 0 || static_cast<std::size_t>(timer) >= clocks_.size()) return;
  const Clock& clock = clocks_[static_cast<std::size_t>(timer)];
  // A tick already on its way when its timer was switched off does not run.
  if (clock.timer->enabled()) deliver(*clock.form, clock.timer->Tick, Source::timer);
}

CanvasWindow* WebSystem::window(int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= windows_.size()) return nullptr;
  return windows_[static_cast<std::size_t>(id)].window.get();
}

void WebSystem::timer_changed(Timer& timer) {
  for (std::size_t id = 0; id < clocks_.size(); ++id) {
    if (clocks_[id].timer != &timer) continue;
    if (timer.enabled()) {
      klb_web_timer_start(static_cast<int>(id), timer.interval());
    } else {
      klb_web_timer_stop(static_cast<int>(id));
    }
  }
}

void WebSystem::sync_all() {
  for (Shown& shown : windows_) shown.window->sync();
}

void WebSystem::report(const std::string& message, bool repeated) {
  std::cerr << title_ << " : erreur d'exécution : " << message << '\n';
  if (repeated) return;  // the box for it was shown already
  sync_all();
  const std::string text = "Erreur d'exécution :\n\n" + message;
  klb_web_message_box(title_.c_str(), text.c_str(), 1);
}

}  // namespace ui::web

// The page's events, called from page.js.
extern "C" {

EMSCRIPTEN_KEEPALIVE void klb_web_tick(int timer) {
  if (auto* system = ui::web::WebSystem::on_page()) system->tick(timer);
}

EMSCRIPTEN_KEEPALIVE void klb_web_press(int window, int x, int y) {
  if (auto* system = ui::web::WebSystem::on_page()) {
    if (auto* w = system->window(window)) w->press(x, y);
  }
}

EMSCRIPTEN_KEEPALIVE void klb_web_release(int window, int x, int y) {
  if (auto* system = ui::web::WebSystem::on_page()) {
    if (auto* w = system->window(window)) w->release(x, y);
  }
}

EMSCRIPTEN_KEEPALIVE void klb_web_key(int window, int key) {
  if (auto* system = ui::web::WebSystem::on_page()) {
    if (auto* w = system->window(window)) w->key(key);
  }
}

EMSCRIPTEN_KEEPALIVE void klb_web_closed(int window) {
  if (auto* system = ui::web::WebSystem::on_page()) {
    if (auto* w = system->window(window)) w->close();
  }
}
}
