#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <tuple>

#include "session.h"

namespace e2e {

constexpr std::array<const char*, 3> kManagerNames{"NoWindowManager", "Openbox",
                                                   "OpenboxPlacingOffScreen"};

// For the failure messages: gtest finds it beside the type.
void PrintTo(WindowManager manager, std::ostream* out) {
  *out << kManagerNames.at(static_cast<std::size_t>(manager));
}

namespace {

struct Screen {
  const char* name;
  int width, height, dpi;
  // The whole scale nearest to the density, lowered until the game fits with the frame, if any;
  // the viewer, twice as large, stays at 1.
  int game_scale, framed_game_scale;
  bool viewer_fits;
};

void PrintTo(const Screen& screen, std::ostream* out) {
  *out << screen.name;
}

// Laptop screens at 100 % and at 150 %, the density many desktops choose for them, and netbooks
// that tell the frame the window manager announces from a guessed one (at 1024x600 the game
// fits at 2x with openbox's frame, not with a larger guess) and from none (at 1024x576 it fits
// at 2x only without a frame); each without a window manager, under openbox, and under openbox
// placing every window mostly off the screen.
class Screens : public ::testing::TestWithParam<std::tuple<Screen, WindowManager>> {
 protected:
  const Screen& screen() const { return std::get<0>(GetParam()); }
  WindowManager manager() const { return std::get<1>(GetParam()); }
  std::vector<std::string> environment() const {
    return {"DISPLAY=" + desktop.display(), "HOME=" + home.path().string()};
  }
  bool on_the_screen(const Window& w) const {
    return w.frame.x >= 0 && w.frame.y >= 0 && w.frame.x + w.frame.width <= screen().width &&
           w.frame.y + w.frame.height <= screen().height;
  }
  // The window manager may place a window elsewhere first: the program moves it once shown.
  std::optional<Window> wait_window(int width, int height,
                                    const std::function<bool(const Window&)>& settled) {
    std::optional<Window> w;
    wait_for(
        [&] {
          w = desktop.window("Klimbor", width, height);
          return w && settled(*w);
        },
        kPatience);
    return w;
  }
  static std::string frame_of(const Window& w) {
    return std::to_string(w.frame.width) + "x" + std::to_string(w.frame.height) + " at " +
           std::to_string(w.frame.x) + "," + std::to_string(w.frame.y);
  }

  Desktop desktop{screen().width, screen().height, screen().dpi, manager()};
  test::TempFolder home;
};

TEST_P(Screens, TheGameTakesTheNearestWholeScaleAndTheViewerOneEachWholeFrameOnTheScreen) {
  const int s = manager() == WindowManager::none ? screen().game_scale : screen().framed_game_scale;
  Program game({bin("Klimbor")}, environment());
  const auto inside = [this](const Window& w) { return on_the_screen(w); };
  const std::optional<Window> g = wait_window(129 * s, 278 * s, inside);
  ASSERT_TRUE(g.has_value()) << "no game window at " << s
                             << " times 129x278: " << desktop.xdotool("search --name Klimbor");
  EXPECT_TRUE(on_the_screen(*g)) << "the game's frame " << frame_of(*g);
  // Where the game goes is the window manager's choice, unless that is off the screen.
  if (manager() == WindowManager::openbox) {
    EXPECT_NEAR(g->frame.x + g->frame.width / 2.0, screen().width / 2.0, 2)
        << "Debian's openbox puts a window of its choosing in the middle of the free screen; the "
           "game's frame "
        << frame_of(*g);
  }
  if (manager() == WindowManager::openbox_off_screen) {
    EXPECT_EQ(g->frame.x + g->frame.width, screen().width) << "moved back the least";
    EXPECT_EQ(g->frame.y + g->frame.height, screen().height) << "moved back the least";
  }
  // The pixel art in even squares: the title's light green oval where it lies at 1x, enlarged.
  Shot shot = desktop.grab(*g);
  wait_for(  // the window may show before it is painted
      [&] {
        shot = desktop.grab(*g);
        return shot.at(s * Session::kOvalX, s * Session::kOvalY) == kLightGreen;
      },
      kPatience);
  EXPECT_EQ(shot.at(s * Session::kOvalX, s * Session::kOvalY), kLightGreen);
  EXPECT_EQ(shot.at(s * Session::kOvalX + s - 1, s * Session::kOvalY + s - 1), kLightGreen);
  EXPECT_EQ(shot.at(s * 101, s * Session::kButtonsY), kOrange);

  Program viewer({bin("klb best scores")}, environment());
  // Too tall for the screen, its caption bar stays at the top, in reach.
  const auto placed = [this](const Window& w) {
    return std::abs(2 * w.frame.x + w.frame.width - screen().width) <= 4 &&
           (screen().viewer_fits ? std::abs(2 * w.frame.y + w.frame.height - screen().height) <= 4
                                 : w.frame.y == 0);
  };
  const std::optional<Window> v = wait_window(660, 654, placed);
  ASSERT_TRUE(v.has_value()) << "no viewer window at 660x654: "
                             << desktop.xdotool("search --name Klimbor");
  EXPECT_NEAR(v->frame.x + v->frame.width / 2.0, screen().width / 2.0, 2) << "centred across";
  if (screen().viewer_fits) {
    EXPECT_TRUE(on_the_screen(*v)) << "the viewer's frame " << frame_of(*v);
    EXPECT_NEAR(v->frame.y + v->frame.height / 2.0, screen().height / 2.0, 2) << "centred down";
  } else {
    EXPECT_EQ(v->frame.y, 0) << "the viewer's frame " << frame_of(*v);
  }
  const std::optional<Window> still = desktop.window("Klimbor", 129 * s, 278 * s);
  ASSERT_TRUE(still.has_value()) << "the game window went";
  EXPECT_TRUE(on_the_screen(*still)) << "the game's frame " << frame_of(*still);
  if (screen().viewer_fits) {
    // Fin within reach: a click on it ends the program.
    desktop.click(v->x + 272 + 56, v->y + 608 + 20);
  } else {
    // Fin lies below the screen; Escape presses it.
    ASSERT_TRUE(desktop.focus(*v));
    desktop.key("Escape");
  }
  const auto status = viewer.wait_exit(kPatience);
  ASSERT_TRUE(status.has_value()) << "Fin could not be pressed";
  EXPECT_EQ(*status, 0);
}

std::string name_of(const testing::TestParamInfo<std::tuple<Screen, WindowManager>>& info) {
  return std::string(std::get<0>(info.param).name) +
         kManagerNames.at(static_cast<std::size_t>(std::get<1>(info.param)));
}

INSTANTIATE_TEST_SUITE_P(
    Laptops, Screens,
    testing::Combine(testing::Values(Screen{"Hd100", 1366, 768, 96, 1, 1, true},
                                     Screen{"Hd150", 1366, 768, 144, 2, 2, true},
                                     Screen{"FullHd100", 1920, 1080, 96, 1, 1, true},
                                     Screen{"FullHd150", 1920, 1080, 144, 2, 2, true},
                                     Screen{"Netbook150", 1024, 600, 144, 2, 2, false},
                                     Screen{"WideNetbook150", 1024, 576, 144, 2, 1, false}),
                     testing::Values(WindowManager::none, WindowManager::openbox,
                                     WindowManager::openbox_off_screen)),
    name_of);

}  // namespace
}  // namespace e2e
