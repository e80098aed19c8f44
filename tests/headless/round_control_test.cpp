#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

#include "klimbor_fixture.h"
#include "ui/click_tracker.h"
#include "ui/key_filter.h"

using namespace Module1;

namespace {

// What tells the five window states apart.
struct Look {
  bool dem, tout, timer, timer1, timer2, command1, line2;
  friend bool operator==(const Look&, const Look&) = default;
};

void PrintTo(const Look& l, std::ostream* os) {
  *os << "dem " << l.dem << " tout " << l.tout << " Timer " << l.timer << " Timer1 " << l.timer1
      << " Timer2 " << l.timer2 << " Command1 " << l.command1 << " Line2 " << l.line2;
}

class RoundControl : public KlimborTest {
 protected:
  static constexpr Look kIntro{true, false, true, false, false, false, false};
  static constexpr Look kPlaying{false, false, false, true, true, true, true};
  static constexpr Look kRoundOver{true, true, false, false, false, true, true};
  static constexpr Look kValidating{true, true, false, true, false, true, true};
  static constexpr Look kRestarting{true, false, true, false, false, true, true};

  Look look() const {
    return {k.dem.Visible,      k.tout.Visible,     k.Timer.enabled(), k.Timer1.enabled(),
            k.Timer2.enabled(), k.Command1.Visible, k.Line2.Visible};
  }
  void lose_round() {
    hold_course(15);
    place_player_before_move(2000, 980);
    tick();
    ASSERT_EQ(look(), kRoundOver);
  }
};

TEST_F(RoundControl, IntroShowsOnlyTheTitleAndChangesNothingFor3000Ms) {
  open_window();
  EXPECT_EQ(look(), kIntro);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(k.ar1(i).Visible);
    EXPECT_FALSE(k.ar2(i).Visible);
  }
  EXPECT_TRUE(k.niv1.shown());
  EXPECT_FALSE(k.tout.shown());
  sys.advance(2999);
  EXPECT_EQ(look(), kIntro);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(level, 0);
  EXPECT_EQ(player_dx, 0);
  EXPECT_EQ(end_choice, 0);
  EXPECT_EQ(score_rec.pseudo, std::string(30, '\0'));
}

TEST_F(RoundControl, StartTimerBeginsAGameAt3000MsAndFiresOnce) {
  start_game(0.0f);
  EXPECT_EQ(look(), kPlaying);
  EXPECT_TRUE(k.ar1(0).Visible);
  EXPECT_TRUE(k.ar2(0).Visible);
  EXPECT_TRUE(k.line1.Visible);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(player_dy, 15);
  EXPECT_EQ(player_dx, 5);
  EXPECT_EQ(boost_on, 0);
  EXPECT_EQ(sys.reseeds, 1);
  sys.advance(3000);
  EXPECT_EQ(sys.reseeds, 1) << "the start timer stopped itself";
}

TEST_F(RoundControl, ClicksOnTheResultButtonsNeedTheResultPanel) {
  start_game();
  EXPECT_FALSE(sys.click(k.cont));
  EXPECT_FALSE(sys.click(k.ok));
  EXPECT_FALSE(sys.click(k.reco));
  EXPECT_EQ(end_choice, 0);
  lose_round();
  EXPECT_TRUE(sys.click(k.ok));
  EXPECT_EQ(end_choice, 2);
}

TEST_F(RoundControl, KeysPressTheButtonsTheyNameOnlyWhileTheseAreShown) {
  using ui::Key;
  const auto any_key_taken = [this] {
    bool taken = false;
    for (Key key : {Key::Space, Key::C, Key::Return, Key::V, Key::R, Key::Escape}) {
      taken = sys.press(k, key) || taken;
    }
    return taken;
  };
  open_window();
  EXPECT_FALSE(any_key_taken()) << "the intro";
  sys.advance(3000);
  ASSERT_TRUE(sys.press(k, Key::Space));
  EXPECT_EQ(boost_on, 1);
  EXPECT_TRUE(sys.press(k, {Key::Space, false, true})) << "held, the key is still the game's";
  EXPECT_EQ(boost_on, 1) << "a held key presses once";
  EXPECT_FALSE(sys.press(k, {Key::Space, true})) << "with Ctrl, Alt or Meta, the system's";
  EXPECT_EQ(boost_on, 1);
  for (Key key : {Key::C, Key::Return, Key::V, Key::R}) EXPECT_FALSE(sys.press(k, key));
  EXPECT_EQ(look(), kPlaying);

  lose_round();
  ASSERT_TRUE(sys.press(k, Key::V));
  EXPECT_EQ(look(), kValidating);
  ASSERT_TRUE(sys.press(k, Key::Return));
  EXPECT_EQ(look(), kPlaying);
  lose_round();
  ASSERT_TRUE(sys.press(k, Key::C));
  EXPECT_EQ(look(), kPlaying);
  lose_round();
  ASSERT_TRUE(sys.press(k, Key::R));
  EXPECT_EQ(look(), kRestarting);
  EXPECT_FALSE(sys.press(k, Key::C)) << "the result panel is gone";
  sys.advance(3000);
  lose_round();
  sys.hide(k);  // as the recording leaves it
  EXPECT_FALSE(any_key_taken()) << "a hidden window";
}

// As a binding that draws the window as one surface takes the mouse, in the model's pixels.
TEST_F(RoundControl, OnOneSurfaceAClickIsAPressAndAReleaseOnTheSameButton) {
  start_game();
  ui::ClickTracker clicks;
  ASSERT_TRUE(clicks.press(k, 100, 265)) << "VITESSE";
  EXPECT_EQ(clicks.pressed(), &k.Command1);
  const std::function<void()>* vitesse = clicks.release(k, 128, 276);
  ASSERT_NE(vitesse, nullptr) << "released on its last pixel";
  sys.deliver(k, *vitesse, ui::Dispatcher::Source::player);
  EXPECT_EQ(boost_on, 1);

  lose_round();
  EXPECT_FALSE(clicks.press(k, 20, 100)) << "the title takes no click";
  EXPECT_EQ(clicks.pressed(), nullptr);
  // Valider: 56, 72 in the result panel, inside the title's two-pixel frame.
  ASSERT_TRUE(clicks.press(k, 58, 74));
  EXPECT_EQ(clicks.release(k, 75, 80), nullptr) << "released off it";
  EXPECT_EQ(clicks.release(k, 60, 80), nullptr) << "no press, no click";
  ASSERT_TRUE(clicks.press(k, 60, 80));
  EXPECT_TRUE(clicks.cancel()) << "the press lost, as when the platform takes the mouse away";
  EXPECT_FALSE(clicks.cancel());
  EXPECT_EQ(clicks.release(k, 60, 80), nullptr);
  EXPECT_EQ(look(), kRoundOver);
  ASSERT_TRUE(clicks.press(k, 60, 80));
  const std::function<void()>* valider = clicks.release(k, 74, 90);
  ASSERT_NE(valider, nullptr);
  sys.deliver(k, *valider, ui::Dispatcher::Source::player);
  EXPECT_EQ(look(), kValidating);
}

// The keys as the platforms report them: a web page names them, Windows numbers them.
TEST(KeyNames, AWebPageAndWindowsNameTheKeysThatPressTheButtons) {
  using ui::Key;
  const std::pair<const char*, Key> named[] = {
      {"Enter", Key::Return}, {"Escape", Key::Escape}, {" ", Key::Space},
      {"c", Key::C},          {"C", Key::C},           {"v", Key::V},
      {"R", Key::R},          {"a", Key{'A'}},         {"z", Key{'Z'}}};
  for (const auto& [name, key] : named) EXPECT_EQ(ui::key_named(name), key) << '"' << name << '"';
  for (const char* other : {"Esc", "Tab", "cc", "", "1", "@", "[", "`", "{", "\xC3\xA9"}) {
    EXPECT_EQ(ui::key_named(other), std::nullopt) << '"' << other << '"';
  }
  const std::pair<int, Key> numbered[] = {
      {13, Key::Return}, {27, Key::Escape}, {32, Key::Space}, {'A', Key{'A'}}, {'Z', Key{'Z'}}};
  for (const auto& [code, key] : numbered) EXPECT_EQ(ui::key_numbered(code), key) << code;
  // 'a' is the keypad's 1 among Windows' virtual keys.
  for (int other : std::initializer_list<int>{0, 12, 14, 26, 28, 31, 33, '@', '[', 'a'}) {
    EXPECT_EQ(ui::key_numbered(other), std::nullopt) << other;
  }
}

TEST_F(RoundControl, SpeedButtonCannotBeClickedDuringTheIntro) {
  open_window();
  EXPECT_FALSE(sys.click(k.Command1));
  EXPECT_EQ(boost_on, 0);
}

TEST_F(RoundControl, ContinuerPlaysTheNextRoundOfTheSameGame) {
  start_game();
  score = 2500;
  level = 4;
  lose_round();
  ASSERT_TRUE(sys.click(k.Command1));  // boost on while the round is over
  const int reseeds = sys.reseeds;
  sys.draws.push_back(0.99f);
  ASSERT_TRUE(sys.click(k.cont));
  EXPECT_EQ(sys.reseeds, reseeds + 1);
  EXPECT_EQ(look(), kPlaying);
  EXPECT_EQ(end_choice, 1);
  EXPECT_EQ(score, 2000);
  EXPECT_EQ(level, 4);
  EXPECT_EQ(player_dy, 15);
  EXPECT_EQ(player_dx, 21);
  EXPECT_EQ(boost_on, 0);
  EXPECT_TRUE(k.ar1(0).Visible);
  EXPECT_TRUE(k.ar2(0).Visible);
  sys.click(k.Command1);
  EXPECT_EQ(player_dy, 40) << "the first press of the new round boosts";
}

TEST_F(RoundControl, ValiderChangesOnlyTheChoiceAndStartsTheTick) {
  start_game();
  lose_round();
  k.Command1_Click();  // a press on the result panel: the one tick before recording uses it
  const Integer dx = player_dx;
  ASSERT_TRUE(sys.click(k.ok));
  EXPECT_EQ(look(), kValidating);
  EXPECT_EQ(end_choice, 2);
  EXPECT_EQ(boost_on, 1);
  EXPECT_EQ(player_dy, 40);
  EXPECT_EQ(player_dx, dx);
  tick();
  EXPECT_EQ(recordings, 1);
  EXPECT_EQ(k.ar1(0).Top, 3960.0f - 40);
}

TEST_F(RoundControl, ClicksWhileValidatingBeforeTheTick) {
  start_game();
  lose_round();
  sys.click(k.ok);
  ASSERT_TRUE(sys.click(k.ok));
  EXPECT_EQ(look(), kValidating);
  ASSERT_TRUE(sys.click(k.cont));
  EXPECT_EQ(look(), kPlaying);
  EXPECT_EQ(end_choice, 1);

  lose_round();
  sys.click(k.ok);
  ASSERT_TRUE(sys.click(k.reco));
  EXPECT_EQ(look(), kRestarting);
  sys.advance(3000);
  EXPECT_EQ(look(), kPlaying);
  EXPECT_EQ(recordings, 0);
}

TEST_F(RoundControl, RecommencerRestartsAfter3000MsAndKeepsTheChoice) {
  start_game();
  lose_round();
  sys.click(k.cont);  // end_choice 1
  score = 1200;
  level = 3;
  lose_round();
  sys.advance(350);
  ASSERT_TRUE(sys.click(k.reco));
  EXPECT_EQ(look(), kRestarting);
  EXPECT_EQ(score, 700);
  EXPECT_EQ(level, 3);
  EXPECT_TRUE(k.niv1.shown());
  ASSERT_TRUE(sys.click(k.Command1));  // boost on while waiting for the new game
  sys.advance(2999);
  EXPECT_EQ(look(), kRestarting);
  sys.advance(1);
  EXPECT_EQ(look(), kPlaying);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(end_choice, 1);
  EXPECT_EQ(player_dy, 15);
  EXPECT_EQ(boost_on, 0);
  sys.click(k.Command1);
  EXPECT_EQ(player_dy, 40) << "the first press of the new game boosts";
}

TEST_F(RoundControl, RecommencerHidesTheFollowerFrames) {
  start_game();
  sys.advance(350 * 2);  // the spiders now show frame 1
  ASSERT_TRUE(k.ar1(1).Visible);
  lose_round();
  for (int i = 1; i < 3; ++i) k.ar1(i).Visible = k.ar2(i).Visible = true;
  sys.click(k.reco);
  for (int i = 1; i < 3; ++i) {
    EXPECT_FALSE(k.ar1(i).Visible);
    EXPECT_FALSE(k.ar2(i).Visible);
  }
}

TEST_F(RoundControl, SpeedButtonSwitchesBoostAndDrawsANewDriftEachPress) {
  start_game();
  const int reseeds = sys.reseeds;
  sys.draws = {0.0f, 0.999f, 0.5f};
  ASSERT_TRUE(sys.click(k.Command1));
  EXPECT_EQ(boost_on, 1);
  EXPECT_EQ(player_dy, 40);
  EXPECT_EQ(player_dx, -7);
  EXPECT_EQ(sys.reseeds, reseeds) << "turning boost on does not re-seed";
  sys.click(k.Command1);
  EXPECT_EQ(boost_on, 0);
  EXPECT_EQ(player_dy, 15);
  EXPECT_EQ(player_dx, 21);
  EXPECT_EQ(sys.reseeds, reseeds + 1);
  sys.click(k.Command1);
  EXPECT_EQ(player_dx, -17);
}

TEST_F(RoundControl, SpeedButtonWorksInEveryStateAfterTheFirstGame) {
  start_game();
  lose_round();
  ASSERT_TRUE(sys.click(k.Command1));
  EXPECT_EQ(boost_on, 1);
  EXPECT_EQ(look(), kRoundOver);
  sys.click(k.reco);
  ASSERT_TRUE(sys.click(k.Command1));
  EXPECT_EQ(boost_on, 0);
  EXPECT_EQ(look(), kRestarting);
}

TEST_F(RoundControl, FirstPressAfterAnOutcomeTurnsBoostOn) {
  start_game();
  sys.click(k.Command1);
  ASSERT_EQ(boost_on, 1);
  lose_round();
  EXPECT_EQ(boost_on, 0);
  sys.click(k.Command1);
  EXPECT_EQ(boost_on, 1);
}

}  // namespace
