#include "ui/win32/win32_system.h"

#include <string_view>

#include "ui/win32/input_dialog.h"
#include "ui/win32/text.h"

namespace ui::win32 {

namespace {

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

Win32System::Win32System(const std::wstring& program_title) : WindowSystem(utf8(program_title)) {
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

void Win32System::create_window(Form& form) {
  windows_[&form] = std::make_unique<FormWindow>(form, *this, *this);
  for (Timer* t : form.timers()) {
    auto periodic = std::make_unique<PeriodicTimer>(t->interval());
    if (!periodic->high_resolution() && !fine_resolution_) fine_resolution_.emplace();
    if (t->enabled()) periodic->start();
    clocks_.push_back({&form, t, std::move(periodic)});
    t->attach(this);
  }
}

std::string Win32System::ask(const std::string& prompt, int max_chars) {
  std::wstring typed;
  open_box([&](HWND owner) { typed = win32::ask(owner, wide(title()), wide(prompt), max_chars); });
  return utf8(typed);
}

void Win32System::tell(const std::string& text) {
  open_box(
      [&](HWND owner) { MessageBoxW(owner, wide(text).c_str(), wide(title()).c_str(), MB_OK); });
}

// The box disables its owner itself, and enables it again before it goes, so that the owner and
// not another program's window is then active.
void Win32System::open_box(const std::function<void(HWND owner)>& open) {
  const auto asking = windows_.find(running());
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

void Win32System::close_boxes(Form& form) {
  end_boxes_of(windows_.at(&form)->handle());
}

void Win32System::stop() {
  for (Clock& clock : clocks_) clock.periodic->stop();
  PostQuitMessage(0);  // also ends a box that is open
}

void Win32System::randomize() {
  random_.reseed();
}

float Win32System::rnd() {
  return random_.next();
}

int Win32System::run() {
  while (!ended()) {
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
  while (!ended() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      end_program();  // asked from outside, as when Windows shuts down
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32System::serve_due_ticks() {
  // By index: a tick may show a window whose timers join the list.
  for (std::size_t i = 0; i < clocks_.size(); ++i) {
    if (!clocks_[i].periodic->take()) continue;
    deliver(*clocks_[i].form, clocks_[i].timer->Tick, Source::timer);
    // Drawn at once, each tick: the loop may leave WM_PAINT waiting, as a caption button's does.
    for (const auto& [form, window] : windows_) UpdateWindow(window->handle());
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

void Win32System::sync_windows() {
  for (auto& [form, window] : windows_) window->sync();
}

void Win32System::write_error(const std::string& line) {
  write_to_stderr(line + "\r\n");
}

void Win32System::show_error(const std::string& text) {
  open_box([&](HWND owner) {
    MessageBoxW(owner, wide(text).c_str(), wide(title()).c_str(), MB_OK | MB_ICONERROR);
  });
}

}  // namespace ui::win32
