#include <gtest/gtest.h>

#include "ui/screen_fit.h"

namespace {

using ui::Frame;
using ui::PixelRect;

// The client areas of the two windows at scale 1.
constexpr PixelRect kGame{0, 0, 129, 278};
constexpr PixelRect kViewer{0, 0, 660, 654};
// A title bar and thin borders, as a desktop at 150 % draws them.
constexpr Frame kFrame{3, 35, 3, 3};
// 1920x1080 less a 48-pixel task bar at the bottom.
constexpr PixelRect kLaptop{0, 0, 1920, 1032};

struct Screen {
  const char* name;
  double scale;
  PixelRect work_area;
  int game, viewer;
};

class FittingScale : public testing::TestWithParam<Screen> {};

TEST_P(FittingScale, IsTheNearestWholeScaleLoweredUntilTheWholeWindowFits) {
  const Screen& s = GetParam();
  EXPECT_EQ(ui::fitting_scale(s.scale, kGame, kFrame, s.work_area), s.game);
  EXPECT_EQ(ui::fitting_scale(s.scale, kViewer, kFrame, s.work_area), s.viewer);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FittingScale,
    testing::Values(Screen{"Plain1080p", 1.0, kLaptop, 1, 1},
                    Screen{"Laptop150", 1.5, kLaptop, 2, 1},
                    Screen{"Laptop125", 1.25, kLaptop, 1, 1},
                    Screen{"Laptop175", 1.75, kLaptop, 2, 1},
                    Screen{"Uhd200", 2.0, {0, 0, 3840, 2112}, 2, 2},
                    Screen{"Uhd300", 3.0, {0, 0, 3840, 2112}, 3, 3},
                    // A work area that does not start at the corner: a second screen, a top bar.
                    Screen{"SecondScreen200", 2.0, {1920, 27, 1366, 741}, 2, 1},
                    Screen{"LowDensity", 0.75, kLaptop, 1, 1},
                    // Smaller than the window at 1x: 1x all the same, placed at the corner.
                    Screen{"Tiny", 2.0, {0, 0, 640, 480}, 1, 1}),
    [](const testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

// At 3x the game is 834 pixels high: with a frame of 38 it needs 872, one more than a 871 area.
TEST(FittingScaleEdge, TheFrameCountsAndAnExactFitIsAFit) {
  EXPECT_EQ(ui::fitting_scale(3.0, kGame, kFrame, {0, 0, 393, 872}), 3);
  EXPECT_EQ(ui::fitting_scale(3.0, kGame, kFrame, {0, 0, 393, 871}), 2);
  EXPECT_EQ(ui::fitting_scale(3.0, kGame, kFrame, {0, 0, 392, 872}), 2);
  EXPECT_EQ(ui::fitting_scale(3.0, kGame, {}, {0, 0, 387, 834}), 3);
}

// A phone, 390x844 at 3 less the page's margins: 8 is the largest scale that fits, whichever
// side limits it, every side of the frame counting; an exact fit is a fit. The viewer, too large
// for the phone at its own scale, keeps that scale (its text as a desktop's at 100 %) and pans;
// a screen of a lower density fills as its room allows.
TEST(FillingScale, IsTheLargestWholeScaleThatFitsNeverBelowTheScreens) {
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {0, 72, 0, 0}, {0, 0, 1116, 2376}), 8);
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {0, 72, 0, 0}, {0, 0, 1116, 2296}), 8);
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {0, 72, 0, 0}, {0, 0, 1116, 2295}), 7);
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {3, 72, 3, 0}, {0, 0, 1038, 2376}), 8);
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {3, 72, 3, 0}, {0, 0, 1037, 2376}), 7);
  EXPECT_EQ(ui::filling_scale(3.0, kGame, {0, 72, 0, 3}, {0, 0, 1116, 2298}), 7);
  EXPECT_EQ(ui::filling_scale(3.0, kViewer, kFrame, {0, 0, 1116, 2376}), 3);
  EXPECT_EQ(ui::filling_scale(2.5, kViewer, kFrame, {0, 0, 2376, 1116}), 3);
  EXPECT_EQ(ui::filling_scale(2.4, kViewer, kFrame, {0, 0, 2376, 1116}), 2);
  EXPECT_EQ(ui::filling_scale(1.0, kViewer, kFrame, {0, 0, 600, 600}), 1);
  EXPECT_EQ(ui::filling_scale(1.0, kViewer, kFrame, {0, 0, 1326, 1350}), 2);
  EXPECT_EQ(ui::filling_scale(0.75, {0, 0, 1, 1}, {}, {0, 0, 5, 7}), 5);
}

TEST(Placement, AWindowAlreadyInsideStaysWhereItIs) {
  EXPECT_EQ(ui::placed_inside({100, 50, 264, 594}, kLaptop), (PixelRect{100, 50, 264, 594}));
}

TEST(Placement, AWindowReachingOutIsMovedBackTheLeastOnEachSide) {
  EXPECT_EQ(ui::placed_inside({1800, 900, 264, 594}, kLaptop), (PixelRect{1656, 438, 264, 594}));
  EXPECT_EQ(ui::placed_inside({-40, -114, 264, 594}, kLaptop), (PixelRect{0, 0, 264, 594}));
  const PixelRect second{1920, 27, 2560, 1413};
  EXPECT_EQ(ui::placed_inside({0, 0, 666, 692}, second), (PixelRect{1920, 27, 666, 692}));
}

TEST(Placement, AWindowLargerThanTheAreaKeepsItsCaptionInReach) {
  EXPECT_EQ(ui::placed_inside({300, -114, 1326, 1346}, kLaptop), (PixelRect{300, 0, 1326, 1346}));
  EXPECT_EQ(ui::placed_inside({900, 200, 2000, 500}, kLaptop), (PixelRect{0, 200, 2000, 500}));
}

TEST(Placement, TheViewerIsCentredOnTheWorkAreaNotTheScreen) {
  EXPECT_EQ(ui::centred_in({0, 0, 666, 692}, kLaptop), (PixelRect{627, 170, 666, 692}));
  EXPECT_EQ(ui::centred_in({0, 0, 666, 692}, {1920, 27, 2560, 1413}),
            (PixelRect{2867, 387, 666, 692}));
  EXPECT_EQ(ui::centred_in({0, 0, 1326, 1346}, kLaptop), (PixelRect{297, 0, 1326, 1346}));
}

// A toolkit that places the client area: the frame around it is what is centred, unequal sides
// and all, and what is kept inside; a window already inside with its frame stays.
TEST(Placement, AClientAreaIsPlacedSoThatItsWholeFrameIsCentredOrInside) {
  constexpr Frame kThin{1, 26, 1, 1};
  EXPECT_EQ(ui::client_placed({0, 0, 660, 654}, kThin, {0, 0, 1920, 1080}, true),
            (PixelRect{630, 225, 660, 654}))
      << "the frame from y = 199, not the client area from 213";
  EXPECT_EQ(ui::client_placed({0, 0, 200, 100}, {8, 30, 2, 4}, {100, 20, 800, 600}, true),
            (PixelRect{403, 283, 200, 100}));
  EXPECT_EQ(ui::client_placed({1800, 900, 258, 556}, kThin, {0, 0, 1920, 1080}, false),
            (PixelRect{1661, 523, 258, 556}));
  EXPECT_EQ(ui::client_placed({0, 0, 258, 556}, {8, 30, 2, 4}, kLaptop, false),
            (PixelRect{8, 30, 258, 556}))
      << "the caption bar on the screen";
  EXPECT_EQ(ui::client_placed({8, 30, 258, 556}, {8, 30, 2, 4}, kLaptop, false),
            (PixelRect{8, 30, 258, 556}));
  EXPECT_EQ(ui::client_placed({40, 60, 660, 654}, {}, {0, 0, 1366, 768}, true),
            (PixelRect{353, 57, 660, 654}))
      << "without a window manager the client area is the whole window";
}

}  // namespace
