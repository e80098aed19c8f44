#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "session.h"

namespace e2e {
namespace {

std::string text_of(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Faults : public Session {
 protected:
  std::vector<std::string> preload(const std::string& setting) const {
    return {"LD_PRELOAD=" KLB_FAULT_SHIM, setting};
  }
  // The error box: a dialog comes up, its text went to standard error too; OK closes it.
  void expect_error_reported(const std::string& words) {
    ASSERT_TRUE(wait_dialog(5s)) << "no error box";
    EXPECT_TRUE(
        wait_for([&] { return text_of(game_errors()).find(words) != std::string::npos; }, 2s))
        << "standard error: " << text_of(game_errors());
    std::this_thread::sleep_for(150ms);
    desktop.key("Return");
    ASSERT_TRUE(wait_for([this] { return !dialog().has_value(); }, 3s));
  }
  void expect_game_goes_on() {
    EXPECT_TRUE(game->running());
    ASSERT_TRUE(desktop.window("Klimbor", 129, 278).has_value()) << "the game window is gone";
    EXPECT_TRUE(result_panel(game_shot()));
    click_game(kContinuer, kButtonsY);
    EXPECT_TRUE(wait_game(&Session::racing, 2s)) << "Continuer no longer plays";
  }
};

TEST_F(Faults, AFolderAtTheScorePathIsReportedInFrenchAndTheGameGoesOn) {
  std::filesystem::create_directory(score_path());
  start_game();
  ASSERT_TRUE(wait_game(&Session::racing, 5s));
  ASSERT_TRUE(wait_game(&Session::result_panel, 6s));
  click_game(kValider, kButtonsY);
  expect_error_reported("c'est un dossier");
  expect_game_goes_on();
}

TEST_F(Faults, AFullDiskIsReportedAndTheTableStaysWhole) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  start_game(preload("KLB_SHIM_FAIL=write:28"));
  ASSERT_TRUE(win_a_round(60s));
  validate_answering({"Zoe", "plein"});
  expect_error_reported("le disque est plein");
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
  expect_game_goes_on();
}

TEST_F(Faults, ARefusedFolderIsReportedAndTheTableStaysWhole) {
  const std::string table = test::table({900});
  test::write_bytes(score_path(), table);
  start_game(preload("KLB_SHIM_FAIL=open:13"));
  ASSERT_TRUE(win_a_round(60s));
  validate_answering({"Zoe", ""});
  expect_error_reported("accès refusé");
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
  expect_game_goes_on();
}

// Programs killed or racing one another in the middle of a recording.
class Races : public Faults {};

// The old table, or the old table with one record put in at its place: nothing in between.
bool old_or_new(const std::string& now, const std::string& old) {
  if (now == old) return true;
  if (now.size() != old.size()) return false;
  for (int at = 1; at <= 30; ++at) {
    const std::size_t cut = static_cast<std::size_t>(at - 1) * 128;
    if (now.substr(0, cut) == old.substr(0, cut) &&
        now.substr(cut + 128) == old.substr(cut, old.size() - cut - 128) &&
        test::pseudo_at(now, at) == "Kill" + std::string(26, ' ')) {
      return true;
    }
  }
  return false;
}

TEST_F(Races, KilledAtAnyMomentOfARecordingLeavesTheOldTableOrTheNew) {
  std::mt19937 random(std::random_device{}());
  const std::string table = test::table({900, 500, 100});
  int old_seen = 0, new_seen = 0;
  for (int round = 0; round < 4; ++round) {
    test::write_bytes(score_path(), table);
    // Every write, flush and rename of the table takes 120 ms: the kill lands inside it.
    start_game(preload("KLB_SHIM_SLOW_MS=120"));
    ASSERT_TRUE(win_a_round(60s));
    validate_answering({"Kill"});
    ASSERT_TRUE(wait_dialog(5s));
    desktop.type("x");
    desktop.key("Return");
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 450));
    game->kill_now();
    const std::string now = test::read_bytes(score_path());
    ASSERT_TRUE(old_or_new(now, table)) << "round " << round << ": a damaged table";
    (now == table ? old_seen : new_seen)++;
    game.reset();
  }
  std::cout << "killed 4 recordings: " << old_seen << " left the old table, " << new_seen
            << " the new one\n";
}

TEST_F(Races, TwoGamesRecordingAtOnceBothLand) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  // Every write, flush and rename takes 1.5 s: the second game asks and answers its questions
  // while the first still rewrites the table, then waits for it.
  const auto slow = preload("KLB_SHIM_SLOW_MS=1500");
  start_game(slow);
  desktop.xdotool("windowmove " + game_window.id + " 300 0");
  game_window.x = 300;
  auto first = std::move(game);
  const Window first_window = game_window;
  start_game(slow);
  const Window second_window = game_window;

  game_window = first_window;
  ASSERT_TRUE(win_a_round(60s)) << "the first game";
  game_window = second_window;
  ASSERT_TRUE(win_a_round(60s)) << "the second game";

  game_window = first_window;
  validate_answering({"Alpha", "premier"});
  game_window = second_window;
  validate_answering({"Bravo", "second"});
  // Both announce their place once their rewrite is done.
  for (int message = 0; message < 2; ++message) {
    ASSERT_TRUE(wait_dialog(15s)) << "message " << message;
    std::this_thread::sleep_for(200ms);
    desktop.key("Return");
    wait_for([this] { return !dialog().has_value(); }, 2s);
  }

  const std::string after = test::read_bytes(score_path());
  std::vector<std::string> names;
  for (int place = 1; place <= 5; ++place)
    names.push_back(test::pseudo_at(after, place).substr(0, 5));
  EXPECT_EQ(std::count(names.begin(), names.end(), "Alpha"), 1) << "the first game's record";
  EXPECT_EQ(std::count(names.begin(), names.end(), "Bravo"), 1) << "the second game's record";
  EXPECT_EQ(std::count(names.begin(), names.end(), "P1   "), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "P3   "), 1);
  const std::vector<int> scores = test::scores_of(after);
  EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend())) << "the table is out of order";
}

}  // namespace
}  // namespace e2e
