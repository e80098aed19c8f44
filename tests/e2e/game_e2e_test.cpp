#include <gtest/gtest.h>

#include <optional>

#include "session.h"

namespace e2e {
namespace {

class Playing : public Session {};

TEST_F(Playing, IntroForThreeSecondsThenTheRaceThenAnUntouchedRoundIsLost) {
  start_game();
  const auto shown = Clock::now();
  ASSERT_TRUE(wait_game(&Session::intro, 2s));
  const Shot title = game_shot();
  EXPECT_EQ(title.count(kBlue, 0, 0, 129, 278), 0) << "no spider during the intro";
  // Watched until the race replaces it: a shot begun 2.5 s after the window showed still
  // shows the intro.
  Clock::duration last_intro{};
  std::optional<Shot> race;
  ASSERT_TRUE(wait_for(
      [&] {
        const auto taken = Clock::now() - shown;
        Shot s = game_shot();
        if (intro(s)) last_intro = taken;
        if (racing(s)) race = std::move(s);
        return race.has_value();
      },
      5s))
      << "the race did not start";
  EXPECT_GE(last_intro, 2500ms) << "the intro gave way before 2.5 s";
  EXPECT_GT(race->count({0, 0, 0}, 20, 230, 30, 48), 20) << "the rival spider";
  EXPECT_GT(race->count(kBlue, 80, 250, 40, 28), 0) << "the player's spider beside VITESSE";

  ASSERT_TRUE(wait_game(&Session::result_panel, 5s)) << "no result within 5 s";
  const Shot result = game_shot();
  EXPECT_GT(result.count({192, 0, 0}, 26, 2, 80, 24), 20) << "the outcome label";
}

TEST_F(Playing, ContinuerStartsTheNextRoundAndRecommencerShowsTheIntroAgain) {
  start_game();
  ASSERT_TRUE(wait_game(&Session::racing, 5s));
  ASSERT_TRUE(wait_game(&Session::result_panel, 6s));
  click_game(kContinuer, kButtonsY);
  ASSERT_TRUE(wait_game(&Session::racing, 1s)) << "Continuer did not start a round";
  ASSERT_TRUE(wait_game(&Session::result_panel, 6s));

  click_game(kRecommencer, kButtonsY);
  const auto clicked = Clock::now();
  ASSERT_TRUE(wait_game(&Session::intro, 1s)) << "Recommencer did not show the intro";
  ASSERT_TRUE(wait_game(&Session::racing, 4s)) << "no new game after the intro";
  const auto waited = Clock::now() - clicked;
  EXPECT_GT(waited, 2700ms);
  EXPECT_LT(waited, 3800ms);
}

TEST_F(Playing, VitesseMakesThePlayerClimbFasterAndDriftRight) {
  start_game();
  ASSERT_TRUE(wait_game(&Session::racing, 5s));
  click_game(kVitesseX, kVitesseY);
  double x = 0;
  EXPECT_TRUE(wait_for([&] { return (x = game_shot().mean_x(kBlue, 64, 9, 65, 246)) > 96; }, 2s))
      << "still at " << x << ", not drifting right of the start";
}

}  // namespace
}  // namespace e2e
