#include "ui/win32/win32_system.h"

#include <string_view>

#include "ui/event_sink.h"
#include "ui/win32/input_dialog.h"
#include "ui/win32/text.h"

namespace ui::win32 {

namespace {

// Thrown through a handler whose box was abandoned, so that nothing it would do with the answer
// happens (a nickname never typed is not recorded). Not a std::exception: the dispatcher lets
// it by, to the system that delivered the handler.
struct BoxAbandoned {};

// The program's windows that were enabled, refusing the player for the life of the guard.
class Disabled {
 public:
  explicit Disabled(std::vector<HWND> windows) : windows_(std::move(windows)) {
    for (HWND window : windows_) EnableWindow(window, FALSE);
  }
  ~Disabled() {
    for (HWND window : windows_) EnableWindow(window, TRUE);
  }
  Disabled(const Disabled&) = delete;
  Disabled& operator=(const Disabled&) = delete;

 private:
  std::vector<HWND> windows_;
};

BOOL CALLBACK end_if_box_of(HWND window, LPARAM owner) {
  wchar_t type[8] = L"";
  GetClassNameW(window, type, 8);
  if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) &&
      std::wstring_view(type) == L"#32770") {
    EndDialog(window, IDCANCEL);
  }
  return TRUE;
}

// Ends the dialog boxes that a window owns, as their Cancel would.
void end_boxes_of(HWND owner) {
  EnumThreadWindows(GetCurrentThreadId(), end_if_box_of, reinterpret_cast<LPARAM>(owner));
}

}  // namespace

Win32System::Win32System(std::wstring program_title)
    : title_(std::move(program_title)),
      dispatcher_(
          [this](const std::string& message, bool repeated) { report(message, repeated); }) {
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
    clocks_.push_back({&form, t, std::move(periodic)});
    t->attach(this);
  }
  run_load(form, dispatcher_, [&](const auto& load) { deliver(form, load, Source::timer); });
}

void Win32System::hide(Form& form) {
  form.Visible = false;
  sync_all();
}

std::string Win32System::input_box(const std::string& prompt, int max_chars) {
  std::wstring typed;
  open_box([&](HWND owner) { typed = ask(owner, title_, wide(prompt), max_chars); });
  go_on_after_box();
  return utf8(typed);
}

void Win32System::message_box(const std::string& text) {
  open_box([&](HWND owner) { MessageBoxW(owner, wide(text).c_str(), title_.c_str(), MB_OK); });
  go_on_after_box();
}

// The box disables its owner itself, and enables it again before it goes, so that the owner and
// not another program's window is then active.
void Win32System::open_box(const std::function<void(HWND owner)>& open) {
  sync_all();
  const auto asking = windows_.find(delivering_);
  const HWND owner = asking == windows_.end() ? nullptr : asking->second->handle();
  std::vector<HWND> others;
  for (const auto& [form, window] : windows_) {
    if (window->handle() != owner && IsWindowEnabled(window->handle())) {
      others.push_back(window->handle());
    }
  }
  {
    const Disabled refusing(std::move(others));
    open(owner);
  }
  drop_ticks_due();
}

void Win32System::go_on_after_box() const {
  // The program's end closes a box too.
  if (abandoned_ || ended_) throw BoxAbandoned{};
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

void Win32System::deliver(Form& form, const std::function<void()>& handler, Source source) {
  // One handler at a time: what comes during a handler or its boxes is dropped.
  if (ended_ || dispatcher_.busy()) return;
  delivering_ = &form;
  bool ran = false;
  try {
    ran = dispatcher_.run(handler, source);
  } catch (const BoxAbandoned&) {
    // Its window was closed under its box, which brought the windows in line: the handler ends
    // there.
  }
  delivering_ = nullptr;
  abandoned_ = false;
  if (ran && !ended_) sync_all();
}

void Win32System::window_closed(Form& form) {
  if (ended_) return;
  if (dispatcher_.busy()) {
    // A box is open: only the window that asked closes, and its question goes with it.
    if (&form != delivering_) return;
    abandoned_ = true;
    end_boxes_of(windows_.at(&form)->handle());
  }
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
    std::vector<const Clock*> owners;
    for (const Clock& clock : clocks_) {
      if (!clock.timer->enabled()) continue;
      handles.push_back(clock.periodic->handle());
      owners.push_back(&clock);
    }
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
    if (woken < WAIT_OBJECT_0 + count) {
      const Clock& clock = *owners[woken - WAIT_OBJECT_0];
      deliver(*clock.form, clock.timer->Tick, Source::timer);
    }
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

void Win32System::serve_due_ticks() {
  // By index: a tick may show a window whose timers join the list.
  for (std::size_t i = 0; i < clocks_.size(); ++i) {
    if (clocks_[i].periodic->take())
      deliver(*clocks_[i].form, clocks_[i].timer->Tick, Source::timer);
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
  const std::wstring text = L"Erreur d'exécution :\n\n" + wide(message);
  open_box(
      [&](HWND owner) { MessageBoxW(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR); });
}

}  // namespace ui::win32
