#include "ui/web/web_system.h"

#include "ui/runtime_error.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

// In page.js. A box answers null, 0 or -1 when it could not be shown or answered, and
// klb_web_failure then tells why.
extern "C" {
char* klb_web_input_box(const char* title, const char* prompt, int max_chars);
int klb_web_message_box(const char* title, const char* text, int error);
char* klb_web_failure();
void klb_web_timer_start(int id, int interval);
void klb_web_timer_stop(int id);
void klb_web_end(const char* title);
// In transfer.js.
int klb_web_confirm_box(const char* title, const char* question, const char* yes, const char* no);
}

namespace ui::web {

namespace {

// The page's own state, as a window system's is: its one system and what main made.
WebSystem* page_system = nullptr;
std::vector<std::shared_ptr<void>> kept;

std::string failure() {
  char* why = klb_web_failure();
  std::string text = why == nullptr ? std::string() : std::string(why);
  std::free(why);
  return text;
}

// The handler stops at a box the page could not show, told as any other run-time error.
[[noreturn]] void box_failed() {
  throw ui::RuntimeError("La boîte de dialogue n'a pu s'afficher (" + failure() + ")");
}

}  // namespace

void keep_alive(std::shared_ptr<void> program) {
  kept.push_back(std::move(program));
}

WebSystem* WebSystem::on_page() {
  return page_system;
}

WebSystem::WebSystem(std::string program_title) : WindowSystem(std::move(program_title)) {
  page_system = this;
}

WebSystem::~WebSystem() {
  for (std::size_t id = 0; id < clocks_.size(); ++id) klb_web_timer_stop(static_cast<int>(id));
  page_system = nullptr;
}

void WebSystem::create_window(Form& form) {
  const int id = static_cast<int>(windows_.size());
  windows_.push_back(std::make_unique<CanvasWindow>(form, id, *this));
  for (Timer* t : form.timers()) {
    clocks_.push_back({&form, t});
    if (t->enabled()) klb_web_timer_start(static_cast<int>(clocks_.size() - 1), t->interval());
    t->attach(this);
  }
}

void WebSystem::sync_windows() {
  for (auto& window : windows_) window->sync();
}

void WebSystem::stop() {
  for (std::size_t id = 0; id < clocks_.size(); ++id) klb_web_timer_stop(static_cast<int>(id));
  klb_web_end(title().c_str());
}

std::string WebSystem::ask(const std::string& prompt, int max_chars) {
  char* typed = klb_web_input_box(title().c_str(), prompt.c_str(), max_chars);
  if (typed == nullptr) box_failed();
  std::string answer(typed);
  std::free(typed);
  return answer;
}

void WebSystem::tell(const std::string& text) {
  if (klb_web_message_box(title().c_str(), text.c_str(), 0) == 0) box_failed();
}

void WebSystem::on_page_action(std::string name, Form& form, PageAction action) {
  actions_.push_back({std::move(name), &form, std::move(action)});
}

bool WebSystem::page_action(const std::string& name, std::string data, std::uint64_t size) {
  for (const Action& action : actions_) {
    if (action.name == name) {
      return deliver(
          *action.form, [&] { action.run(std::move(data), size); }, Source::player);
    }
  }
  return false;
}

bool WebSystem::confirm(const std::string& question, const std::string& yes,
                        const std::string& no) {
  sync_windows();  // the windows as the handler left them, under the box
  const int answer =
      klb_web_confirm_box(title().c_str(), question.c_str(), yes.c_str(), no.c_str());
  if (answer < 0) box_failed();
  return answer == 1;
}

// The browser's console is the page's standard error. Not through iostream, whose locales
// would double the size of the program.
void WebSystem::write_error(const std::string& line) {
  std::fputs((line + '\n').c_str(), stderr);
}

// An error box that cannot be shown either leaves the line on standard error alone.
void WebSystem::show_error(const std::string& text) {
  if (klb_web_message_box(title().c_str(), text.c_str(), 1) == 0) {
    write_error(title() + " : la boîte d'erreur n'a pu s'afficher (" + failure() + ")");
  }
}

void WebSystem::randomize() {
  random_.reseed();
}

float WebSystem::rnd() {
  return random_.next();
}

void WebSystem::tick(int timer) {
  if (timer < 0 || static_cast<std::size_t>(timer) >= clocks_.size()) return;
  const Clock& clock = clocks_[static_cast<std::size_t>(timer)];
  // A tick already on its way when its timer was switched off does not run.
  if (clock.timer->enabled()) deliver(*clock.form, clock.timer->Tick, Source::timer);
}

CanvasWindow* WebSystem::window(int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= windows_.size()) return nullptr;
  return windows_[static_cast<std::size_t>(id)].get();
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

}  // namespace ui::web

// The page's events, called from page.js.
namespace {

ui::web::CanvasWindow* window_on_page(int id) {
  auto* system = ui::web::WebSystem::on_page();
  return system == nullptr ? nullptr : system->window(id);
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void klb_web_tick(int timer) {
  if (auto* system = ui::web::WebSystem::on_page()) system->tick(timer);
}

EMSCRIPTEN_KEEPALIVE void klb_web_press(int window, int x, int y) {
  if (auto* w = window_on_page(window)) w->press(x, y);
}

EMSCRIPTEN_KEEPALIVE void klb_web_release(int window, int x, int y) {
  if (auto* w = window_on_page(window)) w->release(x, y);
}

EMSCRIPTEN_KEEPALIVE void klb_web_cancel(int window) {
  if (auto* w = window_on_page(window)) w->cancel_press();
}

// key: KeyboardEvent.key; modified: Ctrl, Alt or Meta held; repeated: the key is held down.
EMSCRIPTEN_KEEPALIVE void klb_web_key(int window, const char* key, int modified, int repeated) {
  if (auto* w = window_on_page(window)) {
    w->key({ui::key_named(key), modified != 0, repeated != 0});
  }
}

// A reader pressed a node of the window's reading (a click, Entrée or Espace on it).
EMSCRIPTEN_KEEPALIVE void klb_web_activate(int window, int element) {
  if (auto* w = window_on_page(window)) w->activate(element);
}

EMSCRIPTEN_KEEPALIVE void klb_web_closed(int window) {
  if (auto* w = window_on_page(window)) w->close();
}

// A control of the page: data holds the first held bytes of what it hands over, size bytes in
// all. 0 when the action did not run.
EMSCRIPTEN_KEEPALIVE int klb_web_page_action(const char* name, const char* data, int held,
                                             double size) {
  auto* system = ui::web::WebSystem::on_page();
  return system != nullptr &&
         system->page_action(name, std::string(data, static_cast<std::size_t>(held)),
                             static_cast<std::uint64_t>(size));
}
}
