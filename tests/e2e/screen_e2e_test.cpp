#include <gtest/gtest.h>

#include "session.h"

namespace e2e {
namespace {

// A 1920x1080 laptop screen at 150 %, the density many desktops choose for it.
class DenseScreen : public ::testing::Test {
 protected:
  std::vector<std::string> environment() const {
    return {"DISPLAY=" + desktop.display(), "HOME=" + home.path().string()};
  }
  static void expect_inside_the_screen(const Window& w) {
    EXPECT_GE(w.x, 0);
    EXPECT_GE(w.y, 0);
    EXPECT_LE(w.x + w.width, 1920);
    EXPECT_LE(w.y + w.height, 1080);
  }

  Desktop desktop{1920, 1080, 144};
  test::TempFolder home;
};

TEST_F(DenseScreen, TheGameTakesTwiceItsSizeAndTheViewerWhichWouldNotFitStaysAtOneCentred) {
  Program game({bin("Klimbor")}, environment());
  std::optional<Window> g;
  ASSERT_TRUE(wait_for([&] { return (g = desktop.window("Klimbor", 258, 556)).has_value(); }, 10s))
      << "no game window at twice 129x278: " << desktop.xdotool("search --name Klimbor");
  expect_inside_the_screen(*g);
  // The pixel art in even 2x2 squares: the title's light green oval where it lies at 1x, doubled.
  const Shot shot = desktop.grab(*g);
  EXPECT_EQ(shot.at(2 * Session::kOvalX, 2 * Session::kOvalY), kLightGreen);
  EXPECT_EQ(shot.at(2 * Session::kOvalX + 1, 2 * Session::kOvalY + 1), kLightGreen);
  EXPECT_EQ(shot.at(2 * 101, 2 * Session::kButtonsY), kOrange);

  Program viewer({bin("klb best scores")}, environment());
  std::optional<Window> v;
  ASSERT_TRUE(wait_for([&] { return (v = desktop.window("Klimbor", 660, 654)).has_value(); }, 10s))
      << "no viewer window at 660x654: " << desktop.xdotool("search --name Klimbor");
  expect_inside_the_screen(*v);
  EXPECT_NEAR(v->x + v->width / 2, 960, 2) << "centred across";
  EXPECT_NEAR(v->y + v->height / 2, 540, 2) << "centred down";
  // Fin within reach: a click on it ends the program.
  desktop.click(v->x + 272 + 56, v->y + 608 + 20);
  const auto status = viewer.wait_exit(5s);
  ASSERT_TRUE(status.has_value()) << "Fin could not be clicked";
  EXPECT_EQ(*status, 0);
}

}  // namespace
}  // namespace e2e
