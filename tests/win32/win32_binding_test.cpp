// The Win32 binding under Wine: the windows as the system sees them, what their surface shows,
// the mouse and keys reaching the handlers, the tooltips and the dialogs.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "game/klimbor.h"
#include "game/module1.h"
#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "ui/runtime_error.h"
#include "ui/win32/win32_system.h"

namespace {

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

// Answers the next dialog titled Klimbor from another thread, as a player would.
class Player {
 public:
  template <class Act>
  explicit Player(Act act)
      : thread_([this, act] {
          for (int i = 0; i < 500 && !done_; ++i) {
            if (HWND box = FindWindowW(L"#32770", L"Klimbor")) {
              act(box);
              done_ = true;
            }
            Sleep(10);
          }
        }) {}
  ~Player() { thread_.join(); }
  bool answered() const { return done_; }

 private:
  std::atomic<bool> done_ = false;
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
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
  EXPECT_TRUE(IsWindowVisible(window));
  const Surface intro(window);
  // The pictures are the programs' resources, seen by the end-to-end tests; the labels are
  // drawn by the binding alone.
  EXPECT_GT(intro.dark_red(42, 42, 65, 17), 10) << "\"Niveau 1\" in the title";
  EXPECT_EQ(intro.dark_red(2, 2, 38, 38), 0) << "nothing written above it";
  EXPECT_EQ(intro.at(0, 0), GetSysColor(COLOR_3DSHADOW)) << "the title's sunken frame";

  game.Timer_Timer();  // the race begins
  system.deliver([] {}, ui::Dispatcher::Source::timer);
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
  system.deliver([] {}, ui::Dispatcher::Source::timer);
  HWND window = window_of(L"Klimbor", 129);
  click(window, 104, 266, 104, 266);
  EXPECT_EQ(Module1::boost_on, 1) << "VITESSE clicked";
  click(window, 104, 266, 20, 100);
  EXPECT_EQ(Module1::boost_on, 1) << "released off the button: no click";
  SendMessageW(window, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(Module1::boost_on, 0) << "the space bar";
  SendMessageW(window, WM_KEYDOWN, VK_SPACE, 1 | (1 << 30));
  EXPECT_EQ(Module1::boost_on, 0) << "the key held down repeats nothing";
}

TEST_F(Win32Binding, TheRoundButtonsCarryTheirTooltips) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  HWND tips = nullptr;
  while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
    if (GetWindow(tips, GW_OWNER) == window) break;
  }
  ASSERT_NE(tips, nullptr);
  ASSERT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
  std::wstring names;
  for (int i = 0; i < 3; ++i) {
    wchar_t text[80] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool));
    names += std::wstring(text) + L" ";
  }
  EXPECT_EQ(names, L"Continuer Valider Recommencer ");
}

TEST_F(Win32Binding, TheInputBoxTakesNoMoreThanTheFieldHoldsAndCancelGivesNothing) {
  std::string typed;
  {
    Player player([](HWND box) {
      HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
      for (wchar_t c : std::wstring(40, L'é')) SendMessageW(edit, WM_CHAR, c, 0);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    typed = system.input_box("entrez votre pseudo", 30);
    EXPECT_TRUE(player.answered());
  }
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "é";
  EXPECT_EQ(typed, thirty);
  {
    Player player([](HWND box) {
      SendMessageW(FindWindowExW(box, nullptr, L"Edit", nullptr), WM_CHAR, L'x', 0);
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(system.input_box("entrez votre pseudo", 30), "");
  }
}

TEST_F(Win32Binding, AMessageBoxIsTitledKlimborWithoutIcon) {
  bool icon = true;
  std::wstring text;
  {
    Player player([&](HWND box) {
      icon = false;
      for (HWND c = FindWindowExW(box, nullptr, L"Static", nullptr); c != nullptr;
           c = FindWindowExW(box, c, L"Static", nullptr)) {
        icon = icon || SendMessageW(c, STM_GETICON, 0, 0) != 0;
      }
      wchar_t shown[200] = L"";
      GetDlgItemTextW(box, 0xFFFF, shown, 200);
      text = shown;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    system.message_box("Bravo, vous êtes 1er !");
  }
  EXPECT_FALSE(icon);
  EXPECT_EQ(text, L"Bravo, vous êtes 1er !");
}

// A windowed program has a standard error only when started with one, here a pipe.
TEST_F(Win32Binding, AHandlerErrorIsShownInABoxAndWrittenToStandardError) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  const HANDLE standard_error = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, write);
  std::wstring text;
  {
    Player player([&](HWND box) {
      wchar_t shown[200] = L"";
      GetDlgItemTextW(box, 0xFFFF, shown, 200);
      text = shown;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    system.deliver([] { throw ui::RuntimeError(ui::kOverflow); }, ui::Dispatcher::Source::player);
  }
  SetStdHandle(STD_ERROR_HANDLE, standard_error);
  CloseHandle(write);
  std::string written(200, '\0');
  DWORD size = 0;
  ReadFile(read, written.data(), static_cast<DWORD>(written.size()), &size, nullptr);
  CloseHandle(read);
  written.resize(size);
  EXPECT_EQ(text, L"Erreur d'exécution :\n\nDépassement de capacité");
  EXPECT_EQ(written, "Klimbor : erreur d'exécution : Dépassement de capacité\r\n");
}

TEST_F(Win32Binding, ClosingTheLastShownWindowEndsTheProgram) {
  system.show(game);
  HWND window = window_of(L"Klimbor", 129);
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(game.Visible);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(system.run(), 0) << "returns at once: the program has ended";
}

TEST(Win32Viewer, TheViewerIsCentredItsGridDrawnAndARefreshTicksThroughTheLoop) {
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
  const Surface grid(window);
  EXPECT_EQ(grid.at(5, 5), RGB(255, 128, 128)) << "the heading row";
  EXPECT_EQ(grid.at(50, 20), RGB(255, 255, 128)) << "a cell";
  EXPECT_EQ(grid.at(5, 600), RGB(128, 255, 128)) << "the window below the grid";
  EXPECT_EQ(system.run(), 0);
  EXPECT_EQ(ticks, 2);
}

}  // namespace
