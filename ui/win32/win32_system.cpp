#include "ui/win32/win32_system.h"

#include <commctrl.h>

#include "ui/win32/input_dialog.h"
#include "ui/win32/text.h"

namespace ui::win32 {

Win32System::Win32System(std::wstring program_title)
    : title_(std::move(program_title)),
      dispatcher_(
          [this](const std::string& message, bool repeated) { report(message, repeated); }) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  FormWindow::register_class(GetModuleHandleW(nullptr));
}

// Windows go first: they refer to the forms and timers they draw.
Win32System::~Win32System() {
  windows_.clear();
  clocks_.clear();
  // The end of the program may have left its quit message unread: no later loop of the thread
  // should take it.
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void Win32System::show(Form& form) {
  // Visible before it loads: a load that fails is reported over the window, which stays.
  form.Visible = true;
  if (windows_.find(&form) == windows_.end()) create(form);
  sync_all();
}

void Win32System::create(Form& form) {
  windows_[&form] = std::make_unique<FormWindow>(form, *this);
  for (Timer* t : form.timers()) {
    auto periodic = std::make_unique<PeriodicTimer>(t->interval());
    if (!periodic->high_resolution() && !fine_resolution_) fine_resolution_.emplace();
    if (t->enabled()) periodic->start();
    clocks_.push_back({t, std::move(periodic)});
    t->attach(this);
  }
  run_load(form, dispatcher_, *this);
}

void Win32System::hide(Form& form) {
  form.Visible = false;
  sync_all();
}

std::string Win32System::input_box(const std::string& prompt, int max_chars) {
  sync_all();
  const std::wstring typed = ask(GetActiveWindow(), title_, wide(prompt), max_chars);
  drop_ticks_due();
  return utf8(typed);
}

void Win32System::message_box(const std::string& text) {
  sync_all();
  MessageBoxW(GetActiveWindow(), wide(text).c_str(), title_.c_str(), MB_OK);
  drop_ticks_due();
}

void Win32System::end_program() {
  ended_ = true;
  for (Clock& clock : clocks_) clock.periodic->stop();
  for (auto& [form, window] : windows_) ShowWindow(window->handle(), SW_HIDE);
  PostQuitMessage(0);  // also ends a box that is open
}

void Win32System::randomize() {
  random_.reseed();
}

float Win32System::rnd() {
  return random_.next();
}

void Win32System::deliver(const std::function<void()>& handler, Source source) {
  if (ended_) return;
  if (dispatcher_.run(handler, source) && !ended_) sync_all();
}

void Win32System::window_closed(Form& form) {
  if (ended_) return;
  form.Visible = false;
  sync_all();
  for (const auto& [other, window] : windows_) {
    if (other->Visible) return;
  }
  // No window of the program is left on screen: a hidden window does not keep it alive.
  end_program();
}

int Win32System::run() {
  while (!ended_) {
    std::vector<HANDLE> handles;
    std::vector<Timer*> owners;
    for (const Clock& clock : clocks_) {
      if (!clock.timer->enabled()) continue;
      handles.push_back(clock.periodic->handle());
      owners.push_back(clock.timer);
    }
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
    if (woken < WAIT_OBJECT_0 + count) deliver(owners[woken - WAIT_OBJECT_0]->Tick, Source::timer);
    pump_messages();
  }
  return 0;
}

void Win32System::pump_messages() {
  MSG message;
  while (!ended_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ended_ = true;
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32System::timer_changed(Timer& timer) {
  for (Clock& clock : clocks_) {
    if (clock.timer != &timer) continue;
    if (timer.enabled()) {
      clock.periodic->start();
    } else {
      clock.periodic->stop();
    }
  }
}

void Win32System::drop_ticks_due() {
  for (Clock& clock : clocks_) clock.periodic->take();
}

void Win32System::sync_all() {
  for (auto& [form, window] : windows_) window->sync();
}

void Win32System::report(const std::string& message, bool repeated) {
  write_to_stderr(utf8(title_) + " : erreur d'exécution : " + message + "\r\n");
  if (repeated) return;  // the box for it was shown already
  sync_all();
  const std::wstring text = L"Erreur d'exécution :\n\n" + wide(message);
  MessageBoxW(GetActiveWindow(), text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
  drop_ticks_due();
}

}  // namespace ui::win32
