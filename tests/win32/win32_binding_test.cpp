// The Win32 binding under Wine: the windows as the system sees them, where they lie on the
// screen, what their surface shows, the mouse and keys reaching the handlers, the timers, the
// tooltips, the dialogs, and what screen readers read and press through MSAA.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../headless/score_support.h"
#include "msaa_reader.h"

#include "game/klimbor.h"
#include "game/module1.h"
#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_recording.h"
#include "scores/score_store.h"
#include "ui/form.h"
#include "ui/runtime_error.h"
#include "ui/timer.h"
#include "ui/win32/text.h"
#include "ui/win32/win32_system.h"

namespace {

// Of Windows 8.1 and 10, beyond the headers of a Vista build.
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kGetDpiScaledSize = 0x02E4;

HWND window_of(const std::wstring& caption, int client_width) {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, ui::win32::FormWindow::kClassName,
                                caption.c_str())) != nullptr) {
    RECT r;
    GetClientRect(found, &r);
    if (r.right == client_width) return found;
  }
  return nullptr;
}

// The window's surface as it draws it, read back pixel by pixel.
class Surface {
 public:
  explicit Surface(HWND window) : dc_(CreateCompatibleDC(nullptr)) {
    RECT r;
    GetClientRect(window, &r);
    HDC screen = GetDC(window);
    bitmap_ = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(window, screen);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
  }
  ~Surface() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  // Pixels of the text of a label: the dark red of the labels, the orange of their back faded
  // out of them.
  int dark_red(int x, int y, int w, int h) const {
    int n = 0;
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) {
        const COLORREF c = at(i, j);
        n += GetRValue(c) > 150 && GetGValue(c) < 40 && GetBValue(c) < 40 ? 1 : 0;
      }
    }
    return n;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

void click(HWND window, int x, int y, int up_x, int up_y) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(up_x, up_y));
}

// The tooltip windows that a window owns.
std::vector<HWND> tips_of(HWND owner) {
  std::vector<HWND> owned;
  HWND tips = nullptr;
  while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
    if (GetWindow(tips, GW_OWNER) == owner) owned.push_back(tips);
  }
  return owned;
}

RECT outer_of(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r;
}

RECT work_area_of(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

bool inside(const RECT& r, const RECT& area) {
  return r.left >= area.left && r.top >= area.top && r.right <= area.right &&
         r.bottom <= area.bottom;
}

std::wstring text_of(HWND window) {
  wchar_t text[200] = L"";
  GetWindowTextW(window, text, 200);
  return text;
}

std::string quoted(const std::wstring& text) {
  std::string q(1, '"');
  q.append(ui::win32::utf8(text)).push_back('"');
  return q;
}

// The size a window asks for at a dpi, as Windows 10 asks it before moving the window to a
// screen of that dpi.
SIZE scaled_size(HWND window, int dpi) {
  SIZE size{};
  EXPECT_TRUE(SendMessageW(window, kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)));
  return size;
}

// Answers the one box that the test's thread opens while the player lives, from another thread,
// as a player would. A box it cannot answer is closed and the test fails saying why, rather than
// wait for ever: none opened, one of another title, one still open after the answer, a second.
class Player {
 public:
  using Act = std::function<void(HWND box)>;
  explicit Player(Act act, std::wstring title = L"Klimbor")
      : asker_(GetCurrentThreadId()),
        thread_([this, act = std::move(act), title = std::move(title)] { watch(act, title); }) {}
  ~Player() {
    over_ = true;
    thread_.join();
    for (const std::string& failure : failures_) ADD_FAILURE() << failure;
  }

 private:
  static BOOL CALLBACK note_box(HWND window, LPARAM found) {
    wchar_t type[8] = L"";
    GetClassNameW(window, type, 8);
    if (std::wstring(type) == L"#32770" && IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  HWND open_box() const {
    HWND found = nullptr;
    EnumThreadWindows(asker_, note_box, reinterpret_cast<LPARAM>(&found));
    return found;
  }

  static bool closes_within(HWND box, int ms) {
    for (int waited = 0; IsWindow(box); waited += 10) {
      if (waited >= ms) return false;
      Sleep(10);
    }
    return true;
  }

  // As the player would, then as the program's end would.
  void close(HWND box) {
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    if (!closes_within(box, 2000)) PostThreadMessageW(asker_, WM_QUIT, 0, 0);
  }

  void watch(const Act& act, const std::wstring& title) {
    HWND answered = nullptr;
    while (!over_) {
      HWND box = open_box();
      if (box == nullptr || box == answered) {
        Sleep(10);
        continue;
      }
      if (answered != nullptr) {
        failures_.push_back("a second box opened, titled " + quoted(text_of(box)));
        close(box);
      } else if (text_of(box) != title) {
        failures_.push_back("the box opened is titled " + quoted(text_of(box)) + ", not " +
                            quoted(title));
        close(box);
      } else {
        act(box);
        if (!closes_within(box, 5000)) {
          failures_.push_back("the box stayed open after the answer");
          close(box);
        }
      }
      answered = box;
    }
    if (answered == nullptr) failures_.push_back("no box opened");
  }

  DWORD asker_;
  std::atomic<bool> over_ = false;
  std::vector<std::string> failures_;  // read once the thread has ended
  std::thread thread_;
};

class Win32Binding : public ::testing::Test {
 protected:
  Win32Binding() { Module1::reset(); }
  ~Win32Binding() override { Module1::reset(); }

  ui::win32::Win32System system{L"Klimbor"};
  game::Klimbor game{system, [](game::Klimbor&) {}};
};

TEST_F(Win32Binding, TheGameWindowIsAToolWindowOfItsClientSizeWithTheIntroOnItsSurface) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  ASSERT_NE(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, 278);
  EXPECT_TRUE(inside(outer_of(window), work_area_of(window)));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
  EXPECT_TRUE(IsWindowVisible(window));
  const Surface intro(window);
  // The pictures are the programs' resources, seen by the end-to-end tests; the labels are
  // drawn by the binding alone.
  EXPECT_GT(intro.dark_red(42, 42, 65, 17), 10) << "\"Niveau 1\" in the title";
  EXPECT_EQ(intro.dark_red(2, 2, 38, 38), 0) << "nothing written above it";
  EXPECT_EQ(intro.at(0, 0), GetSysColor(COLOR_3DSHADOW)) << "the title's sunken frame";

  system.deliver(
      game,
      [&] {
        game.Timer_Timer();  // the race begins
        game.Caption = "Klimbor, niveau 1";
      },
      ui::Dispatcher::Source::timer);
  EXPECT_EQ(text_of(window), L"Klimbor, niveau 1") << "in line with the model after a handler";
  const Surface race(window);
  EXPECT_EQ(race.at(83, 259), RGB(128, 255, 128)) << "VITESSE's face, inside its bevel";
  EXPECT_EQ(race.at(80, 256), GetSysColor(COLOR_3DHILIGHT)) << "VITESSE's bevel";
  EXPECT_EQ(race.at(10, 8), RGB(0, 0, 0)) << "the finish line";
  EXPECT_EQ(race.at(0, 100), RGB(0, 0, 0)) << "the left edge line";
  EXPECT_EQ(race.at(30, 100), RGB(255, 128, 0)) << "the track";
}

TEST_F(Win32Binding, AClickIsAPressAndAReleaseOnTheSameElementAndAHeldKeyPressesOnce) {
  system.show(game);
  game.Timer_Timer();
  system.deliver(
      game, [] {}, ui::Dispatcher::Source::timer);
  HWND window = window_of(L"Klimbor", 129);
  click(window, 104, 266, 104, 266);
  EXPECT_EQ(Module1::boost_on, 1) << "VITESSE clicked";
  ValidateRect(window, nullptr);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(104, 266));
  EXPECT_EQ(GetCapture(), window) << "the mouse is the window's until released";
  EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "to be drawn again, pressed";
  EXPECT_EQ(Surface(window).at(80, 256), GetSysColor(COLOR_3DDKSHADOW)) << "VITESSE pressed";
  ValidateRect(window, nullptr);
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 100));
  EXPECT_EQ(Module1::boost_on, 1) << "released off the button: no click";
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "to be drawn again, raised";
  EXPECT_EQ(Surface(window).at(80, 256), GetSysColor(COLOR_3DHILIGHT));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(104, 266));
  ReleaseCapture();  // as when another window takes the mouse
  EXPECT_EQ(Surface(window).at(80, 256), GetSysColor(COLOR_3DHILIGHT)) << "raised again";
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(104, 266));
  EXPECT_EQ(Module1::boost_on, 1) << "a press lost is no click";
  SendMessageW(window, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(Module1::boost_on, 0) << "the space bar";
  SendMessageW(window, WM_KEYDOWN, VK_SPACE, 1 | (1 << 30));
  EXPECT_EQ(Module1::boost_on, 0) << "the key held down repeats nothing";
}

TEST_F(Win32Binding, TheRoundButtonsCarryTheirTooltips) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  EXPECT_TRUE(tips_of(window).empty()) << "made at start-up, before the mouse came";
  // The mouse first comes at the end of a round, over the round buttons.
  const auto show_buttons = [&](bool shown) {
    system.deliver(
        game, [&] { game.dem.Visible = game.tout.Visible = shown; }, ui::Dispatcher::Source::timer);
  };
  show_buttons(true);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  ASSERT_EQ(tips_of(window).size(), 1u);
  HWND tips = tips_of(window).front();
  ASSERT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
  std::wstring names;
  std::vector<RECT> at1x;
  const auto tool = [&](int i, std::wstring* name = nullptr) {
    wchar_t text[80] = L"";
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = text;
    SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info));
    if (name != nullptr) *name += std::wstring(text) + L" ";
    // The tip follows the mouse over the window by itself: the window does not relay it.
    EXPECT_TRUE(info.uFlags & TTF_SUBCLASS) << "tip " << i;
    return info.rect;
  };
  for (int i = 0; i < 3; ++i) at1x.push_back(tool(i, &names));
  EXPECT_EQ(names, L"Continuer Valider Recommencer ");

  // Each tip covers its button where it is drawn, at every scale, from the moment it is made.
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(IsRectEmpty(&at1x[i])) << "tip " << i;
  EXPECT_GT(at1x[0].left, at1x[1].left);
  EXPECT_GT(at1x[1].left, at1x[2].left);
  RECT suggested = outer_of(window);
  SendMessageW(window, kDpiChanged, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  const RECT at2x = tool(0);
  EXPECT_EQ(at2x.left, 2 * at1x[0].left);
  EXPECT_EQ(at2x.bottom, 2 * at1x[0].bottom);
  show_buttons(false);
  const RECT hidden = tool(0);
  EXPECT_TRUE(IsRectEmpty(&hidden)) << "no tip for a button not shown";
}

TEST_F(Win32Binding,
       TheInputBoxIsTheAskingWindowsTakesNoMoreThanTheFieldHoldsAndCancelGivesNothing) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  std::string typed;
  HWND owner = nullptr;
  {
    Player player([&](HWND box) {
      owner = GetWindow(box, GW_OWNER);
      HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
      for (wchar_t c : std::wstring(40, L'é')) SendMessageW(edit, WM_CHAR, c, 0);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    system.deliver(
        game, [&] { typed = system.input_box("entrez votre pseudo", 30); },
        ui::Dispatcher::Source::player);
  }
  EXPECT_EQ(owner, window) << "owned by the window whose handler asked";
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "é";
  EXPECT_EQ(typed, thirty);
  {
    Player player([](HWND box) {
      SendMessageW(FindWindowExW(box, nullptr, L"Edit", nullptr), WM_CHAR, L'x', 0);
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    system.deliver(
        game, [&] { typed = system.input_box("commentaire:", 94); },
        ui::Dispatcher::Source::player);
  }
  EXPECT_EQ(typed, "");
}

// The viewer beside the game, as after a recording: which window owns a box, and what the other
// one does meanwhile.
TEST_F(Win32Binding, EveryBoxIsTheWindowsWhoseHandlerOpenedItAndTheOtherWindowsRefuseThePlayer) {
  scores::NativeFileSystem files;
  scores::ScoreStore store(files, std::filesystem::temp_directory_path() / L"vide klimbor");
  scores::frm_visualiser viewer(system, store);
  system.show(game);
  system.show(viewer);
  HWND game_window = window_of(L"Klimbor", 129);
  HWND viewer_window = window_of(L"Klimbor", 660);
  ASSERT_NE(viewer_window, nullptr);
  struct Seen {
    HWND owner = nullptr;
    std::wstring owner_caption;
    bool other_enabled = true, other_shown_after_close = false, icon = true;
    std::wstring text;
  };
  const auto look = [](HWND box, HWND other, Seen& seen) {
    seen.owner = GetWindow(box, GW_OWNER);
    seen.owner_caption = text_of(seen.owner);
    seen.other_enabled = IsWindowEnabled(other);
    SendMessageW(other, WM_CLOSE, 0, 0);
    seen.other_shown_after_close = IsWindowVisible(other);
    seen.icon = false;
    for (HWND c = FindWindowExW(box, nullptr, L"Static", nullptr); c != nullptr;
         c = FindWindowExW(box, c, L"Static", nullptr)) {
      seen.icon = seen.icon || SendMessageW(c, STM_GETICON, 0, 0) != 0;
    }
    wchar_t shown[200] = L"";
    GetDlgItemTextW(box, 0xFFFF, shown, 200);
    seen.text = shown;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  };

  Seen message;
  {
    Player player([&](HWND box) { look(box, viewer_window, message); });
    system.deliver(
        game,
        [&] {
          game.Caption = "Klimbor, 1er";
          system.message_box("Bravo, vous êtes 1er !");
        },
        ui::Dispatcher::Source::timer);
  }
  EXPECT_EQ(message.owner, game_window);
  EXPECT_EQ(message.owner_caption, L"Klimbor, 1er") << "as the handler left it, before its box";
  EXPECT_EQ(GetActiveWindow(), game_window) << "active again after its box";
  EXPECT_FALSE(message.icon);
  EXPECT_EQ(message.text, L"Bravo, vous êtes 1er !");
  EXPECT_FALSE(message.other_enabled) << "the viewer takes no click";
  EXPECT_TRUE(message.other_shown_after_close) << "nor a close";
  EXPECT_TRUE(viewer.Visible);
  EXPECT_TRUE(IsWindowEnabled(viewer_window)) << "once the box is gone";
  EXPECT_TRUE(IsWindowEnabled(game_window));

  Seen error;
  {
    Player player([&](HWND box) { look(box, game_window, error); });
    system.deliver(
        viewer, [] { throw ui::RuntimeError("Fichier introuvable"); },
        ui::Dispatcher::Source::player);
  }
  EXPECT_EQ(error.owner, viewer_window) << "the error is the failing handler's";
  EXPECT_TRUE(error.icon);
  EXPECT_EQ(error.text, L"Erreur d'exécution :\n\nFichier introuvable");
  EXPECT_FALSE(error.other_enabled);
  EXPECT_TRUE(error.other_shown_after_close);
  EXPECT_TRUE(IsWindowEnabled(game_window));

  // Closing the window that asked takes its box away, and the rest of its handler; the other
  // window's Fin, pressed meanwhile, does nothing.
  bool went_on = false;
  {
    Player player([&](HWND) {
      SendMessageW(viewer_window, WM_KEYDOWN, VK_ESCAPE, 0);
      SendMessageW(game_window, WM_CLOSE, 0, 0);
    });
    system.deliver(
        game,
        [&] {
          system.message_box("Bouhhhhh !");
          went_on = true;
        },
        ui::Dispatcher::Source::player);
  }
  EXPECT_FALSE(went_on);
  EXPECT_FALSE(game.Visible);
  EXPECT_FALSE(IsWindowVisible(game_window));
  EXPECT_TRUE(IsWindowVisible(viewer_window)) << "the program goes on with the viewer";
  EXPECT_TRUE(IsWindowEnabled(viewer_window));
  {
    Player player([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
    system.deliver(
        viewer,
        [&] {
          system.message_box("Encore");
          went_on = true;
        },
        ui::Dispatcher::Source::player);
  }
  EXPECT_TRUE(went_on) << "and its handlers, boxes and all";

  // Without a box, a window closes as it is asked.
  system.show(game);
  SendMessageW(viewer_window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(viewer_window));
  EXPECT_TRUE(IsWindowVisible(game_window));
}

// COM on the test's thread, as a screen reader has it on its own.
class ComThread {
 public:
  ComThread() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComThread() { CoUninitialize(); }
  ComThread(const ComThread&) = delete;
  ComThread& operator=(const ComThread&) = delete;
};

// Runs what was posted to the program's windows, as its loop would.
void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// A rectangle of a window's client area, in pixels of the screen.
RECT on_screen(HWND window, RECT r) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string text_of(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

#define EXPECT_RECT(actual, expected) EXPECT_EQ(text_of(actual), text_of(expected))

// What readers are told of changes, as they hear it from the system: the events of a window's
// client area, while the log lives.
struct WinEvent {
  DWORD event;
  LONG child;
};
std::vector<WinEvent>* logged = nullptr;  // the log of the running test: a hook has no context

void CALLBACK log_event(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
  if (logged != nullptr && object == OBJID_CLIENT) logged->push_back({event, child});
}

class EventLog {
 public:
  EventLog()
      : hook_(SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_NAMECHANGE, nullptr, log_event,
                              GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT)) {
    logged = &events_;
  }
  ~EventLog() {
    UnhookWinEvent(hook_);
    logged = nullptr;
  }
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // What was told since the last look, once delivered.
  std::vector<std::pair<DWORD, LONG>> take() {
    pump();
    std::vector<std::pair<DWORD, LONG>> told;
    for (const WinEvent& e : events_) told.emplace_back(e.event, e.child);
    events_.clear();
    return told;
  }

 private:
  HWINEVENTHOOK hook_;
  std::vector<WinEvent> events_;
};

class Win32Msaa : public Win32Binding {
 protected:
  ComThread com;
};

TEST_F(Win32Msaa, AReaderReadsWhatEachMomentOfTheGameShowsAndPressesItsButtonsAsClicksAre) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  const test::ComPtr<IAccessible> client = test::client_of(window);
  ASSERT_TRUE(client);
  // The intro: the title is a picture, passed over; the level under it is read.
  const test::Read intro = test::read_tree(client.get());
  EXPECT_EQ(test::lines_of(intro), L"client \"Klimbor\"\n  text \"Niveau 1\"\n");
  EXPECT_RECT(intro.where, on_screen(window, {0, 0, 129, 278}));
  ASSERT_EQ(intro.children.size(), 1u);
  EXPECT_RECT(intro.children[0].where, on_screen(window, {42, 42, 107, 59}));
  // The mouse over the title, a picture, is over the window itself; outside, over nothing.
  VARIANT hit;
  VariantInit(&hit);
  ASSERT_EQ(client->accHitTest(intro.where.left + 20, intro.where.top + 150, &hit), S_OK);
  EXPECT_EQ(std::pair(hit.vt, hit.lVal), std::pair(VARTYPE{VT_I4}, long{CHILDID_SELF}));
  EXPECT_EQ(client->accHitTest(intro.where.right + 5, intro.where.top + 150, &hit), S_FALSE);
  EXPECT_EQ(hit.vt, VT_EMPTY);
  // The keyboard's window is the focus, which readers follow.
  SetFocus(window);
  ASSERT_EQ(client->get_accFocus(&hit), S_OK);
  EXPECT_EQ(std::pair(hit.vt, hit.lVal), std::pair(VARTYPE{VT_I4}, long{CHILDID_SELF}));
  EXPECT_TRUE(test::read_one(client.get(), CHILDID_SELF).state & STATE_SYSTEM_FOCUSED);
  SetFocus(nullptr);
  ASSERT_EQ(client->get_accFocus(&hit), S_OK);
  EXPECT_EQ(hit.vt, VT_EMPTY);
  EXPECT_FALSE(test::read_one(client.get(), CHILDID_SELF).state & STATE_SYSTEM_FOCUSED);
  test::ComPtr<IDispatch> parent;
  ASSERT_EQ(client->get_accParent(parent.put()), S_OK);
  test::ComPtr<IAccessible> frame;
  parent->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(frame.put()));
  ASSERT_TRUE(frame);
  HWND framed = nullptr;
  WindowFromAccessibleObject(frame.get(), &framed);
  EXPECT_EQ(framed, window) << "the client's parent is the window's own object, with its frame";

  // The race: VITESSE alone, where a click presses it.
  system.deliver(
      game, [&] { game.Timer_Timer(); }, ui::Dispatcher::Source::timer);
  const test::Read race = test::read_tree(client.get());
  EXPECT_EQ(test::lines_of(race), L"client \"Klimbor\"\n  button \"VITESSE\" [Appuyer]\n");
  ASSERT_EQ(race.children.size(), 1u);
  EXPECT_RECT(race.children[0].where, on_screen(window, {80, 256, 129, 277}));
  const long vitesse = test::child_named(client.get(), L"VITESSE");
  ASSERT_NE(vitesse, CHILDID_SELF);
  EXPECT_EQ(client->accDoDefaultAction(test::child_variant(vitesse)), S_OK);
  EXPECT_EQ(Module1::boost_on, 0) << "run by the window's loop, not inside the reader's call";
  pump();
  EXPECT_EQ(Module1::boost_on, 1) << "VITESSE pressed";
  // Pressed by a reader, then covered before the loop takes the press: nothing.
  EXPECT_EQ(client->accDoDefaultAction(test::child_variant(vitesse)), S_OK);
  system.deliver(
      game, [&] { game.Command1.Visible = false; }, ui::Dispatcher::Source::timer);
  pump();
  EXPECT_EQ(Module1::boost_on, 1) << "VITESSE was hidden when the press came";
  game.Command1.Visible = true;

  // The result panel covers the title's level and VITESSE: what a sighted player sees is read,
  // top to bottom, the buttons from left to right.
  system.deliver(
      game,
      [&] {
        game.dem.Visible = game.tout.Visible = true;
        game.gagn.Caption = "Perdu !";
      },
      ui::Dispatcher::Source::timer);
  EXPECT_EQ(test::lines_of(test::read_tree(client.get())),
            L"client \"Klimbor\"\n  text \"Perdu !\"\n  text \"Niveau 1\"\n  text \"Score: 0\"\n"
            L"  button \"Recommencer\" [Appuyer]\n  button \"Valider\" [Appuyer]\n"
            L"  button \"Continuer\" [Appuyer]\n");
  EXPECT_NE(client->accDoDefaultAction(test::child_variant(vitesse)), S_OK)
      << "a button no longer seen is not pressed";
  for (const long stray : {-1L, static_cast<long>(game.boxes().size()) + 1, 0x7fffL}) {
    test::Bstr name;
    EXPECT_EQ(client->get_accName(test::child_variant(stray), name.put()), E_INVALIDARG) << stray;
  }
  // One handler at a time: a press that comes while one runs is dropped, as a click is.
  system.deliver(
      game,
      [&] {
        EXPECT_TRUE(test::press(client.get(), L"Recommencer"));
        pump();
      },
      ui::Dispatcher::Source::player);
  pump();
  EXPECT_TRUE(game.tout.Visible) << "Recommencer ran during another handler";
  EXPECT_EQ(Module1::boost_on, 1);

  ASSERT_TRUE(test::press(client.get(), L"Valider"));
  pump();
  EXPECT_EQ(Module1::end_choice, 2) << "Valider: the next tick records the score";
  EXPECT_TRUE(game.Timer1.enabled());
}

TEST_F(Win32Msaa, AReaderIsToldOfATextThatChangesWhileSeenAndOfElementsThatComeAndGo) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  EventLog log;
  const auto show_panel = [&](bool shown) {
    system.deliver(
        game, [&] { game.dem.Visible = game.tout.Visible = shown; }, ui::Dispatcher::Source::timer);
  };
  show_panel(true);
  const std::vector<std::pair<DWORD, LONG>> reordered{{EVENT_OBJECT_REORDER, CHILDID_SELF}};
  EXPECT_EQ(log.take(), reordered) << "the panel's texts and buttons came";

  system.deliver(
      game,
      [&] {
        game.sko.Caption = "Score: 100";
        game.niv1.Caption = "Niveau 2";  // behind the panel
      },
      ui::Dispatcher::Source::timer);
  const std::vector<std::pair<DWORD, LONG>> told = log.take();
  ASSERT_EQ(told.size(), 1u) << "the score alone";
  EXPECT_EQ(told[0].first, static_cast<DWORD>(EVENT_OBJECT_NAMECHANGE));
  // What a reader then reads of the element the event names.
  test::ComPtr<IAccessible> changed;
  VARIANT child;
  VariantInit(&child);
  ASSERT_EQ(AccessibleObjectFromEvent(window, static_cast<DWORD>(OBJID_CLIENT), told[0].second,
                                      changed.put(), &child),
            S_OK);
  test::Bstr name;
  changed->get_accName(child, name.put());
  EXPECT_EQ(name.str(), L"Score: 100");
  VariantClear(&child);

  system.deliver(
      game, [&] { game.sko.Caption = "Score: 100"; }, ui::Dispatcher::Source::timer);
  EXPECT_TRUE(log.take().empty()) << "the same text is not told again";
  system.deliver(
      game,
      [&] {
        game.dem.Visible = game.tout.Visible = false;
        game.sko.Caption = "Score: 5";
      },
      ui::Dispatcher::Source::timer);
  EXPECT_EQ(log.take(), reordered) << "a text changed as it went is not read out";
}

// A windowed program has a standard error only when started with one, here a pipe.
TEST_F(Win32Binding, AHandlerErrorIsWrittenToStandardErrorAsItIsShown) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  const HANDLE standard_error = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, write);
  system.show(game);
  {
    Player player([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
    system.deliver(
        game, [] { throw ui::RuntimeError(ui::kOverflow); }, ui::Dispatcher::Source::player);
  }
  SetStdHandle(STD_ERROR_HANDLE, standard_error);
  CloseHandle(write);
  std::string written(200, '\0');
  DWORD size = 0;
  ReadFile(read, written.data(), static_cast<DWORD>(written.size()), &size, nullptr);
  CloseHandle(read);
  written.resize(size);
  EXPECT_EQ(written, "Klimbor : erreur d'exécution : Dépassement de capacité\r\n");
}

TEST_F(Win32Binding, ClosingTheGameWindowDuringTheNicknameQuestionEndsTheProgramAndRecordsNothing) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / L"scores klimbor fermé";
  std::filesystem::remove(path);
  scores::NativeFileSystem files;
  scores::ScoreStore store(files, path);
  scores::ScoreRecording recording(system, store);
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  Module1::score = 5000;
  HWND owner = nullptr;
  wchar_t prompt[40] = L"";
  {
    Player player([&](HWND box) {
      owner = GetWindow(box, GW_OWNER);
      GetDlgItemTextW(box, 100, prompt, 40);
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    system.deliver(
        game, [&] { recording.record(game, game.Timer1); }, ui::Dispatcher::Source::timer);
  }
  EXPECT_EQ(owner, window);
  EXPECT_STREQ(prompt, L"entrez votre pseudo");
  EXPECT_FALSE(std::filesystem::exists(path)) << "no blank nickname recorded";
  EXPECT_EQ(recording.viewer(), nullptr) << "the recording went no further";
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(system.run(), 0) << "returns at once: the program has ended";
  bool ran = false;
  system.deliver(
      game, [&] { ran = true; }, ui::Dispatcher::Source::player);
  EXPECT_FALSE(ran) << "no handler after the end";
  std::filesystem::remove(path);
}

// Should no tick come, the loop is ended all the same after a while, and the count tells.
constexpr UINT_PTR kGiveUp = 99;
void CALLBACK end_menu_anyway(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  EndMenu();
}
void CALLBACK end_move_anyway(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

// The same from another thread, for a loop that takes the mouse's messages alone and so no
// WM_TIMER.
class GiveUp {
 public:
  explicit GiveUp(std::function<void()> end)
      : thread_([this, end = std::move(end)] {
          for (int waited = 0; !over_; waited += 10) {
            if (waited == 5000) return end();
            Sleep(10);
          }
        }) {}
  ~GiveUp() {
    over_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> over_ = false;
  std::thread thread_;
};

// A window of two quick timers.
class Metronomes : public ui::Form {
 public:
  Metronomes() : Form("Metronomes", "Klimbor", 1935, 4170, {255, 128, 0}) {
    keep_timers({&first, &second});
  }
  ui::Timer first{"first", 63, true};
  ui::Timer second{"second", 40, true};
};

// While Windows runs a loop of its own, for a window's menu, its move or a button of its caption
// held by the mouse, the program's loop waits: every timer ticks all the same, and what a tick
// changed is on screen before the next.
TEST_F(Win32Binding, TheTimersTickAndShowWhileTheMenuIsOpenTheWindowMovesOrItsCaptionIsHeld) {
  Metronomes metronomes;
  system.show(metronomes);
  HWND window = window_of(L"Klimbor", 129);
  ASSERT_NE(window, nullptr);
  int first = 0, second = 0, undrawn = 0;
  std::function<void()> end_loop;
  const auto count = [&](int& ticks) {
    if (first + second > 0 && GetUpdateRect(window, nullptr, FALSE)) ++undrawn;
    if (++ticks == 3 && first >= 3 && second >= 3) end_loop();
  };
  metronomes.first.Tick = [&] { count(first); };
  metronomes.second.Tick = [&] { count(second); };
  // Runs the loop, which the ticks end.
  const auto ticks_while = [&](const std::string& what, std::function<void()> end,
                               const std::function<void()>& loop) {
    first = second = undrawn = 0;
    end_loop = std::move(end);
    const auto start = std::chrono::steady_clock::now();
    loop();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(first, 3) << "ticks while " << what;
    EXPECT_GE(second, 3) << "ticks while " << what;
    // Never more often than its interval, however often the program is woken: one tick that
    // fell due before, and one at each interval's end while the loop lasted.
    EXPECT_LE(first, ms / 63 + 2) << "ticks while " << what << ", in " << ms << " ms";
    EXPECT_LE(second, ms / 40 + 2) << "ticks while " << what << ", in " << ms << " ms";
    EXPECT_EQ(undrawn, 0) << "ticks drawn while " << what;
    // Then nothing but the timers wakes the program: what was sent before the end is taken, and
    // no more comes.
    MSG sent;
    PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(50);
    EXPECT_FALSE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) << "after " << what;
  };
  // A notice of an end whose start never came is no reason to stop ticking in the loops to come.
  SendMessageW(window, WM_EXITMENULOOP, FALSE, 0);

  ticks_while(
      "the menu was open", [] { EndMenu(); },
      [&] {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 1, L"Continuer");
        SetTimer(window, kGiveUp, 5000, end_menu_anyway);
        TrackPopupMenu(menu, TPM_RETURNCMD, 20, 20, 0, window, nullptr);
        KillTimer(window, kGiveUp);
        DestroyMenu(menu);
      });

  const RECT outer = outer_of(window);
  ticks_while(
      "the window was moved", [window] { PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0); },
      [&] {
        SetTimer(window, kGiveUp, 5000, end_move_anyway);
        SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION,
                     MAKELPARAM(outer.left + 20, outer.top + 5));
        KillTimer(window, kGiveUp);
      });

  // Pressed where the player would press, and released where the mouse is, off the window: the
  // caption by either button, then the close button, the only one a tool window has. Released
  // on it, the right button would open the window's menu.
  const RECT work = work_area_of(window);
  ASSERT_LT(outer.right, work.right - 1);
  SetCursorPos(work.right - 1, work.bottom - 1);
  struct Held {
    const char* what;
    UINT press, release;
    WPARAM part;
    POINT at;
  };
  const POINT caption{outer.left + 20, outer.top + 5}, close{outer.right - 8, outer.top + 8};
  const Held parts[] = {
      {"the caption was held by the right button", WM_NCRBUTTONDOWN, WM_RBUTTONUP, HTCAPTION,
       caption},
      {"the caption was held", WM_NCLBUTTONDOWN, WM_LBUTTONUP, HTCAPTION, caption},
      {"the close button was held", WM_NCLBUTTONDOWN, WM_LBUTTONUP, HTCLOSE, close}};
  for (const Held& held : parts) {
    ASSERT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(held.at.x, held.at.y)), held.part)
        << held.what;
    const auto release = [window, up = held.release] { PostMessageW(window, up, 0, 0); };
    ticks_while(held.what, release, [&] {
      const GiveUp give_up(release);
      SendMessageW(window, held.press, held.part, MAKELPARAM(held.at.x, held.at.y));
    });
  }
  EXPECT_FALSE(metronomes.Visible) << "pressed on it, the close button closes the window";
}

// Wine reports 96 dpi: the other dpis are told by hand, as Windows 10 tells a window that moves
// to another screen, asking its size first and then suggesting a rectangle of that size.
TEST_F(Win32Binding, AtEveryDpiTheGameTakesTheWholeScaleThatFitsItsScreenAndLiesInside) {
  system.show(game);
  game.Timer_Timer();  // the race, with VITESSE at the bottom
  system.deliver(
      game, [] {}, ui::Dispatcher::Source::timer);
  HWND window = window_of(L"Klimbor", 129);
  ASSERT_NE(window, nullptr);
  const RECT work = work_area_of(window);
  ASSERT_LT(work.bottom - work.top, 834) << "the suite's screen is lower than the game at 3x";

  // Asked its size, then told of the change with another size suggested: it takes the size it
  // answered, and a place inside the work area.
  const RECT off{work.right - 40, work.bottom - 40, work.right + 500, work.bottom + 900};
  const auto change_to = [&](int dpi) {
    const SIZE asked = scaled_size(window, dpi);
    SendMessageW(window, kDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&off));
    const RECT outer = outer_of(window);
    EXPECT_EQ(outer.right - outer.left, asked.cx) << dpi << " dpi";
    EXPECT_EQ(outer.bottom - outer.top, asked.cy) << dpi << " dpi";
    return outer;
  };
  const auto at_2x = [&] { return Surface(window).at(83 * 2, 259 * 2) == RGB(128, 255, 128); };

  const RECT outer = change_to(192);
  EXPECT_EQ(outer.right, work.right) << "moved the least that puts it inside";
  EXPECT_EQ(outer.bottom, work.bottom);
  EXPECT_TRUE(at_2x()) << "VITESSE's face at 2x";
  change_to(144);
  EXPECT_TRUE(at_2x()) << "150 % rounds up";
  EXPECT_TRUE(inside(change_to(288), work));
  EXPECT_TRUE(at_2x()) << "3x would not fit: 2x again";

  // Dragged to another screen it stays under the mouse; once dropped it lies inside again.
  SendMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_EQ(change_to(192).left, off.left);
  SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(inside(change_to(192), work));
}

TEST(Win32Viewer, TheViewerIsCentredOnItsWorkAreaItsGridDrawnAndARefreshTicksThroughTheLoop) {
  scores::NativeFileSystem files;
  scores::ScoreStore store(files, std::filesystem::temp_directory_path() / L"vide klimbor");
  ui::win32::Win32System system(L"klb best scores");
  scores::frm_visualiser viewer(system, store);
  int ticks = 0;
  viewer.Timer1.Tick = [&] {
    viewer.Timer1_Timer();
    if (++ticks == 2) system.end_program();
  };
  system.show(viewer);
  HWND window = window_of(L"Klimbor", 660);
  ASSERT_NE(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, 654);
  const RECT work = work_area_of(window);
  RECT outer = outer_of(window);
  EXPECT_TRUE(inside(outer, work));
  EXPECT_LE(std::abs((outer.left - work.left) - (work.right - outer.right)), 1);
  EXPECT_LE(std::abs((outer.top - work.top) - (work.bottom - outer.bottom)), 1);
  const Surface grid(window);
  EXPECT_EQ(grid.at(5, 5), RGB(255, 128, 128)) << "the heading row";
  EXPECT_EQ(grid.at(50, 20), RGB(255, 255, 128)) << "a cell";
  EXPECT_EQ(grid.at(5, 600), RGB(128, 255, 128)) << "the window below the grid";
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(50, 20));
  EXPECT_TRUE(tips_of(window).empty()) << "no tip to show, no tooltip window";

  // At 2x it would be wider than the suite's screen: it stays at 1x, inside.
  ASSERT_LT(work.right - work.left, 2 * 660);
  const RECT off{work.left - 300, work.top - 200, work.left + 900, work.top + 800};
  const SIZE at192 = scaled_size(window, 192);
  SendMessageW(window, kDpiChanged, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&off));
  outer = outer_of(window);
  EXPECT_EQ(outer.right - outer.left, at192.cx);
  EXPECT_EQ(outer.left, work.left);
  EXPECT_EQ(outer.top, work.top);
  EXPECT_EQ(Surface(window).at(50, 20), RGB(255, 255, 128)) << "a cell, at 1x";

  EXPECT_EQ(system.run(), 0);
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(IsWindowVisible(window)) << "the end hides it";
}

TEST(Win32Viewer, AReaderReadsTheTableAsAListOfPlacesEachOneLineAndPressesFin) {
  const ComThread com;
  const std::filesystem::path path = std::filesystem::temp_directory_path() / L"scores klimbor lus";
  std::ofstream(path, std::ios::binary) << test::slot("Lou", 1160, "premi\xE8re partie");
  test::ComPtr<IAccessible> kept;  // as a reader may hold it after the program has ended
  {
    scores::NativeFileSystem files;
    scores::ScoreStore store(files, path);
    ui::win32::Win32System system(L"klb best scores");
    scores::frm_visualiser viewer(system, store);
    system.show(viewer);
    HWND window = window_of(L"Klimbor", 660);
    const test::ComPtr<IAccessible> client = test::client_of(window);
    ASSERT_TRUE(client);
    const test::Read read = test::read_tree(client.get());
    ASSERT_EQ(read.children.size(), 4u);
    const test::Read& list = read.children[0];
    EXPECT_EQ(test::role_word(list.role), L"list");
    EXPECT_EQ(list.name, L"Pseudos, Scores, Commentaires");
    ASSERT_EQ(list.children.size(), 30u) << "one item per place";
    EXPECT_EQ(list.children[0].name, L"1: Lou, 1160, première partie");
    EXPECT_EQ(list.children[1].name, L"2:") << "a place the file does not fill";
    EXPECT_EQ(list.children[29].name, L"30:");
    EXPECT_EQ(test::role_word(list.children[29].role), L"item");
    const RECT first = list.children[0].where;
    EXPECT_RECT(first, on_screen(window, {0, 16, first.right - first.left, 32}));
    EXPECT_GT(first.right - first.left, 300) << "the whole row, every column";
    test::Read rest = read;
    rest.children.erase(rest.children.begin());
    EXPECT_EQ(test::lines_of(rest),
              L"client \"Klimbor\"\n  button \"Fin\" [Appuyer]\n"
              L"  text \"www.klimbor.example\"\n  text \"By Dalvix\"\n");

    // The mouse over a place, as a reader that follows it asks: the list, then the place.
    VARIANT hit;
    VariantInit(&hit);
    const POINT row3{first.left + 50, first.top + 2 * 16 + 8};
    ASSERT_EQ(client->accHitTest(row3.x, row3.y, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_DISPATCH);
    test::ComPtr<IAccessible> grid;
    hit.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(grid.put()));
    VariantClear(&hit);
    ASSERT_TRUE(grid);
    ASSERT_EQ(grid->accHitTest(row3.x, row3.y, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 3);
    test::ComPtr<IDispatch> parent;
    ASSERT_EQ(grid->get_accParent(parent.put()), S_OK);
    EXPECT_EQ(parent.get(), static_cast<IDispatch*>(client.get())) << "the list is the window's";
    // Stepping from one child to the next, as readers without AccessibleChildren do.
    const long fin = test::child_named(client.get(), L"Fin");
    ASSERT_EQ(client->accNavigate(NAVDIR_NEXT, test::child_variant(fin), &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(test::read_one(client.get(), hit.lVal).name, L"www.klimbor.example");
    ASSERT_EQ(client->accNavigate(NAVDIR_FIRSTCHILD, test::child_variant(CHILDID_SELF), &hit),
              S_OK);
    EXPECT_EQ(hit.vt, VT_DISPATCH) << "the list";
    VariantClear(&hit);

    ASSERT_TRUE(test::press(client.get(), L"Fin"));
    pump();
    EXPECT_TRUE(system.ended()) << "Fin pressed by a reader ends the program as its click does";
    long count = -1;
    EXPECT_EQ(client->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 0) << "nothing to read in a hidden window";
    kept = client;
  }
  test::Bstr name;
  EXPECT_EQ(kept->get_accName(test::child_variant(CHILDID_SELF), name.put()), CO_E_OBJNOTCONNECTED)
      << "the window is gone";
  std::filesystem::remove(path);
}

}  // namespace
