#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "klimbor_fixture.h"

using namespace Module1;

namespace {

class GameTick : public KlimborTest {
 protected:
  void SetUp() override { start_game(); }
};

// ---- The race from the start position at level 1

TEST_F(GameTick, RivalArrivesOnTick183AtTop117AndBeatsADawdlingPlayer) {
  hold_course(15);
  for (int n = 1; n <= 182; ++n) tick();
  EXPECT_FALSE(result_shown());
  EXPECT_EQ(k.ar2(0).Top, 138.0f);
  tick();
  EXPECT_TRUE(result_shown());
  EXPECT_EQ(k.gagn.Caption, "Perdu !");
  EXPECT_EQ(k.ar2(1).Top, 117.0f) << "the followers keep the place of the arrival";
  EXPECT_EQ(k.ar2(0).Top, 3960.0f);
}

TEST_F(GameTick, BoostedPlayerArrivesOnTick96AndWins) {
  hold_course(40);
  EXPECT_EQ(ticks_to_outcome(400), 96);
  EXPECT_EQ(k.gagn.Caption, "Gagné !");
  EXPECT_EQ(k.ar1(1).Top, 120.0f);
  // The rival was at 3960 - 96 * 21 = 1944: a bonus of 1944 / 11 = 176.7, rounded to 177.
  EXPECT_EQ(score, 1177);
  EXPECT_EQ(level, 2);
}

TEST_F(GameTick, UnboostedPlayerArrivesOnTick256) {
  hold_course(15);
  k.ar2(0).Top = 3960 + 2000;  // a rival held back long enough to see the player arrive
  EXPECT_EQ(ticks_to_outcome(400), 256);
  EXPECT_EQ(k.gagn.Caption, "Gagné !");
  EXPECT_EQ(k.ar1(1).Top, 120.0f);
}

TEST_F(GameTick, UntouchedPlayerLeavesTheLaneOnTheFirstTickPastDrift330) {
  struct Case {
    float draw;
    Integer drift;
    int tick;
  };
  for (const Case c : {Case{0.99f, 21, 16}, Case{0.0f, 5, 67}}) {
    Module1::reset();
    ui::HeadlessSystem s;
    game::Klimbor window(s, [](game::Klimbor&) {});
    s.draws.push_back(c.draw);
    s.show(window);
    s.advance(3000);
    ASSERT_EQ(player_dx, c.drift);
    int n = 0;
    while (!window.tout.Visible && n < 1000) {
      s.advance(kTick);
      ++n;
    }
    EXPECT_EQ(n, c.tick) << "drift " << c.drift;
    EXPECT_EQ(window.gagn.Caption, "Perdu !");
    EXPECT_EQ(window.sko.Caption, "Score: 0");
    EXPECT_EQ(window.niv.Caption, "Niveau 1");
  }
}

// ---- Lane bounds and the finish line

TEST_F(GameTick, LaneBoundsBelongToTheLane) {
  struct Case {
    float left;
    bool lost;
  };
  hold_course(15);
  for (const Case c : {Case{990, false}, Case{1672, false}, Case{989, true}, Case{1673, true}}) {
    if (result_shown()) k.cont_Click();
    hold_course(15);
    place_player_before_move(2000, c.left);
    tick();
    EXPECT_EQ(result_shown(), c.lost) << "Left " << c.left;
    if (c.lost) {
      EXPECT_EQ(k.gagn.Caption, "Perdu !");
    }
  }
}

TEST_F(GameTick, ASpriteHasArrivedBelowTop128AndNotAt128) {
  struct Case {
    float rival, player;
    const char* result;  // empty: the race goes on
  };
  const Case cases[] = {
      {128, 2000, ""},          {127, 2000, "Perdu !"}, {2000, 128, ""},
      {2000, 127, "Gagné !"},   {127, 128, "Perdu !"},  {128, 127, "Gagné !"},
      {127, 127, "Egalité !!"}, {128, 128, ""},
  };
  for (const Case& c : cases) {
    if (result_shown()) k.cont_Click();
    hold_course(15);
    k.gagn.Caption.clear();
    place_rival_before_move(c.rival);
    place_player_before_move(c.player, 1320);
    tick();
    EXPECT_EQ(k.gagn.Caption, c.result) << "rival " << c.rival << ", player " << c.player;
    EXPECT_EQ(result_shown(), *c.result != '\0') << "rival " << c.rival << ", player " << c.player;
  }
}

// One outcome a tick: the loss alone counts, although the frames left behind have arrived.
TEST_F(GameTick, LeavingTheLaneLosesEvenOnTheTickOfArrival) {
  struct Case {
    float rival;  // arrived too, or far behind
    Integer score_before, score_after;
  };
  for (const Case c : {Case{119, 600, 100}, Case{2000, 600, 100}, Case{119, 300, 0}}) {
    if (result_shown()) k.cont_Click();
    score = c.score_before;
    hold_course(15);
    place_player_before_move(115, 980);
    place_rival_before_move(c.rival);
    tick();
    EXPECT_EQ(k.gagn.Caption, "Perdu !") << "rival at " << c.rival;
    EXPECT_EQ(score, c.score_after) << "rival at " << c.rival << ", no lower than 0";
    EXPECT_EQ(k.sko.Caption, "Score: " + std::to_string(c.score_after));
    EXPECT_EQ(level, 1);
  }
}

TEST_F(GameTick, BothArrivingOnOneTickIsADraw) {
  score = 100;
  hold_course(15);
  place_player_before_move(115, 1320);
  place_rival_before_move(119);
  tick();
  EXPECT_EQ(k.gagn.Caption, "Egalité !!");
  EXPECT_EQ(score, 1000);
  EXPECT_EQ(level, 2);
  EXPECT_EQ(k.niv.Caption, "Niveau 2");
}

TEST_F(GameTick, WinBonusIsTheRivalsTopOver11Rounded) {
  hold_course(15);
  place_player_before_move(115, 1320);
  place_rival_before_move(2000);
  tick();
  EXPECT_EQ(k.gagn.Caption, "Gagné !");
  EXPECT_EQ(score, 1182);
  EXPECT_EQ(k.niv.Caption, "Niveau 2");
  EXPECT_EQ(k.sko.Caption, "Score: 1182");
}

// ---- What every outcome resets

TEST_F(GameTick, OutcomeResetsTheRoundAndStopsBothTimers) {
  k.Command1_Click();  // boost on
  sys.draws.push_back(0.0f);
  hold_course(40);
  place_player_before_move(2000, 980);
  for (game::SpriteArray* sprite : {&k.ar1, &k.ar2}) {
    for (int i = 1; i < 3; ++i) (*sprite)(i).Visible = true;
  }
  const int reseeds = sys.reseeds;
  tick();
  EXPECT_EQ(sys.reseeds, reseeds + 1) << "the new drift comes from a new seed";
  EXPECT_EQ(k.ar1(0).Top, 3960.0f);
  EXPECT_EQ(k.ar1(0).Left, 1320.0f);
  EXPECT_EQ(k.ar2(0).Top, 3960.0f);
  EXPECT_EQ(k.ar2(0).Left, 360.0f) << "the rival's Left is never set";
  EXPECT_EQ(player_dy, 15);
  EXPECT_EQ(player_dx, 5);
  EXPECT_EQ(boost_on, 0);
  EXPECT_FALSE(k.Timer1.enabled());
  EXPECT_FALSE(k.Timer2.enabled());
  for (game::SpriteArray* sprite : {&k.ar1, &k.ar2}) {
    for (int i = 1; i < 3; ++i) EXPECT_FALSE((*sprite)(i).Visible) << (*sprite)(i).name();
  }
  EXPECT_EQ(k.ar1(2).Top, 2000.0f) << "followers stay where they were until the next tick";
  EXPECT_TRUE(k.ar1(0).Visible) << "frame 0 keeps its visibility";
}

TEST_F(GameTick, ASpriteShowingAFollowerAtTheOutcomeHasNoVisibleFrame) {
  sys.advance(350);  // the animation shows frame 2 of both spiders
  ASSERT_TRUE(k.ar1(2).Visible);
  ASSERT_FALSE(k.ar2(0).Visible);
  hold_course(15);
  place_player_before_move(2000, 980);
  tick();
  for (game::SpriteArray* sprite : {&k.ar1, &k.ar2}) {
    for (int i = 0; i < 3; ++i) EXPECT_FALSE((*sprite)(i).Visible) << (*sprite)(i).name();
  }
  k.cont_Click();
  EXPECT_TRUE(k.ar1(0).Visible);
  EXPECT_TRUE(k.ar2(0).Visible);
}

// ---- Overflow

TEST_F(GameTick, WinAbove31767StopsWithOverflowAndKeepsTheScore) {
  score = 31768;
  hold_course(15);
  place_player_before_move(115, 1320);
  tick();
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_EQ(sys.errors[0], "Klimbor : erreur d'exécution : Dépassement de capacité");
  EXPECT_EQ(score, 31768);
  EXPECT_EQ(k.ar1(0).Top, 115.0f) << "the moves before the failing step stay";
  EXPECT_FALSE(result_shown()) << "the steps after it are not done";
  EXPECT_EQ(level, 1);
  EXPECT_TRUE(k.Timer1.enabled());
}

TEST_F(GameTick, RoundedWinScoreBeyond16BitsOverflowsAfterTheThousand) {
  score = 31700;
  hold_course(15);
  place_player_before_move(115, 1320);
  place_rival_before_move(2000);
  tick();
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_EQ(score, 32700) << "+1000 was stored, the bonus was not";
}

TEST_F(GameTick, DrawAbove31867Overflows) {
  score = 31868;
  hold_course(15);
  place_player_before_move(115, 1320);
  place_rival_before_move(119);
  tick();
  EXPECT_EQ(sys.errors.size(), 1u);
  EXPECT_EQ(score, 31868);
  EXPECT_EQ(level, 1);
}

TEST_F(GameTick, Level32748StopsTheTickBeforeAnythingMoves) {
  level = 32748;
  rival_step = 7;
  tick();
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_EQ(sys.errors[0], "Klimbor : erreur d'exécution : Dépassement de capacité");
  EXPECT_EQ(rival_step, 7);
  EXPECT_EQ(k.ar1(0).Top, 3960.0f);
  EXPECT_EQ(k.ar2(0).Top, 3960.0f);
  tick();
  EXPECT_EQ(sys.errors.size(), 2u) << "the program goes on and the next tick fails again";
  const std::vector<std::string> one_box{"show Klimbor",
                                         "error Erreur d'exécution :\n\nDépassement de capacité"};
  EXPECT_EQ(sys.journal, one_box) << "the same failure again opens no second box";
}

TEST_F(GameTick, Level32747StillRuns) {
  level = 32747;
  tick();
  EXPECT_TRUE(sys.errors.empty());
  EXPECT_EQ(rival_step, 32767);
}

// ---- The hand-over to the recording

TEST_F(GameTick, TickAfterValiderMovesOneStepFindsNoOutcomeAndRecordsOnce) {
  hold_course(15);
  place_player_before_move(2000, 980);
  tick();  // lost
  ASSERT_TRUE(result_shown());
  const Integer dx = player_dx;
  k.ok_Click();
  EXPECT_EQ(recordings, 0);
  tick();
  EXPECT_EQ(recordings, 1);
  EXPECT_EQ(k.ar2(0).Top, 3960.0f - 21);
  EXPECT_EQ(k.ar1(0).Top, 3960.0f - 15);
  EXPECT_EQ(k.ar1(0).Left, 1320.0f - static_cast<float>(dx));
  // A spider's three frames stay on one spot, or it would jump as the animation turns.
  for (game::SpriteArray* sprite : {&k.ar1, &k.ar2}) {
    for (int i = 1; i < 3; ++i) {
      EXPECT_EQ((*sprite)(i).Top, (*sprite)(0).Top) << (*sprite)(i).name();
      EXPECT_EQ((*sprite)(i).Left, (*sprite)(0).Left) << (*sprite)(i).name();
    }
  }
  EXPECT_EQ(k.gagn.Caption, "Perdu !");
  EXPECT_EQ(score, 0);
  EXPECT_FALSE(k.Timer2.enabled()) << "the spiders do not animate on that tick";
}

TEST_F(GameTick, NoRecordingBeforeValider) {
  hold_course(15);
  for (int n = 0; n < 50; ++n) tick();
  k.cont_Click();
  for (int n = 0; n < 50; ++n) tick();
  EXPECT_EQ(recordings, 0);
}

}  // namespace
