#include <gtest/gtest.h>

#include <set>

#include "klimbor_fixture.h"

namespace {

using Frames = std::set<int>;

class Animation : public KlimborTest {
 protected:
  static void show(game::SpriteArray& sprite, const Frames& frames) {
    for (int i = 0; i < 3; ++i) sprite(i).Visible = frames.count(i) > 0;
  }
  static Frames visible(const game::SpriteArray& sprite) {
    Frames frames;
    for (int i = 0; i < 3; ++i) {
      if (sprite(i).Visible) frames.insert(i);
    }
    return frames;
  }
};

TEST_F(Animation, EachCallGivesWayToTheNextFrame) {
  struct Row {
    Frames before, after;
  };
  const Row table[] = {
      {{0}, {2}},       {{2}, {1}},    {{1}, {0}},    {{}, {}},
      {{0, 1}, {1, 2}}, {{0, 2}, {2}}, {{1, 2}, {1}}, {{0, 1, 2}, {1, 2}},
  };
  for (const Row& row : table) {
    show(k.ar1, row.before);
    show(k.ar2, {0});
    k.Timer2_Timer();
    EXPECT_EQ(visible(k.ar1), row.after);
    EXPECT_EQ(visible(k.ar2), Frames{2}) << "the rival is animated whatever the player showed";
  }
}

TEST_F(Animation, ASpriteWithNoVisibleFrameStaysInvisible) {
  show(k.ar1, {0});
  show(k.ar2, {});
  for (int n = 0; n < 5; ++n) k.Timer2_Timer();
  EXPECT_EQ(visible(k.ar2), Frames{});
  EXPECT_EQ(visible(k.ar1), Frames{1}) << "five calls from 0: 2, 1, 0, 2, 1";
}

TEST_F(Animation, AnyStateSettlesOnOneFrameWithinTwoCalls) {
  for (const Frames& start : {Frames{0, 1}, Frames{0, 2}, Frames{1, 2}, Frames{0, 1, 2}}) {
    show(k.ar1, start);
    k.Timer2_Timer();
    k.Timer2_Timer();
    EXPECT_EQ(visible(k.ar1).size(), 1u);
  }
}

TEST_F(Animation, TimerCyclesTheFramesEvery350MsWhileARoundRuns) {
  start_game();
  EXPECT_EQ(visible(k.ar1), Frames{0});
  sys.advance(349);
  EXPECT_EQ(visible(k.ar1), Frames{0});
  sys.advance(1);
  EXPECT_EQ(visible(k.ar1), Frames{2});
  sys.advance(350);
  EXPECT_EQ(visible(k.ar2), Frames{1});
  sys.advance(350);
  EXPECT_EQ(visible(k.ar2), Frames{0});
}

}  // namespace
