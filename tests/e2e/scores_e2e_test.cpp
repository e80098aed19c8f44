#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>
#include <tuple>

#include "session.h"

namespace e2e {
namespace {

class Recording : public Session {
 protected:
  // The message, closed with OK; then the viewer takes the game's place.
  void close_message_and_see_viewer() {
    ASSERT_TRUE(wait_focused_dialog(kPatience)) << "no message";
    desktop.key("Return");
    ASSERT_TRUE(wait_for([this] { return viewer_window().has_value(); }, kPatience)) << "no viewer";
    EXPECT_FALSE(desktop.window("Klimbor", 129, 278).has_value()) << "the game is still shown";
  }
  void click_fin_and_expect_exit_0(Program& program) {
    const std::optional<Window> shown = viewer_window();
    ASSERT_TRUE(shown.has_value()) << "no viewer to end";
    const Window v = *shown;
    desktop.click(v.x + 272 + 56, v.y + 608 + 20);
    const auto status = program.wait_exit(kPatience);
    ASSERT_TRUE(status.has_value()) << "still running after Fin";
    EXPECT_EQ(*status, 0);
  }
};

TEST_F(Recording, ValiderAfterALossSaysNoPlaceShowsTheTableAndFinEndsTheGame) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  start_game();
  ASSERT_TRUE(wait_game(&Session::racing, kPatience));
  ASSERT_TRUE(wait_game(&Session::result_panel, kPatience));
  click_game(kValider, kButtonsY);
  ASSERT_TRUE(wait_dialog(kPatience));
  const Window message = *dialog();
  EXPECT_GT(message.width, 200) << "the no-place message is a long one";
  close_message_and_see_viewer();
  click_fin_and_expect_exit_0(*game);
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
}

TEST_F(Recording, AWinEntersTheTableThroughTheDialogs) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  start_game();
  ASSERT_TRUE(win_a_round(60s)) << "the test player could not win a round";
  validate_answering({"Zoe", "bien joue"});
  close_message_and_see_viewer();
  const std::string after = test::read_bytes(score_path());
  ASSERT_EQ(after.size(), 30u * 128);
  // The new record at its place, every old one the same bytes one place lower, 30 dropped.
  int at = -1;
  for (int place = 1; place <= 30; ++place) {
    if (test::pseudo_at(after, place) == "Zoe" + std::string(27, ' ')) at = place;
  }
  ASSERT_GE(at, 1) << "the new record is not in the table";
  const std::string slot = after.substr(static_cast<std::size_t>(at - 1) * 128, 128);
  EXPECT_EQ(slot.substr(32, 11), std::string("\x09\x00", 2) + "bien joue");
  const int score = test::scores_of(after)[static_cast<std::size_t>(at - 1)];
  EXPECT_GT(score, 0);
  EXPECT_TRUE(after.substr(0, (at - 1) * 128) == table.substr(0, (at - 1) * 128));
  EXPECT_TRUE(after.substr(at * 128) == table.substr((at - 1) * 128, (30 - at) * 128))
      << "the places below did not move down by one";
  const std::vector<int> scores = test::scores_of(after);
  EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend())) << "the table is out of order";
  click_fin_and_expect_exit_0(*game);
}

TEST_F(Recording, ALossOnATableOfNegativeScoresTakesPlaceOneWithTheTypedAccentedAnswers) {
  std::vector<std::int16_t> scores;
  for (int place = 1; place <= 30; ++place)
    scores.push_back(static_cast<std::int16_t>(-600 - place));
  const std::string table = test::table(scores);
  test::write_bytes(score_path(), table);
  start_game();
  ASSERT_TRUE(wait_game(&Session::result_panel, kPatience)) << "no result";
  validate_answering({"Zoé", "très bien"});
  close_message_and_see_viewer();
  const std::string after = test::read_bytes(score_path());
  ASSERT_EQ(after.size(), 30u * 128);
  // A loss from 0 leaves 0, above every score of the table; the text in Windows-1252.
  EXPECT_EQ(after.substr(0, 30), "Zo\xE9" + std::string(27, ' '));
  EXPECT_EQ(test::scores_of(after)[0], 0);
  EXPECT_EQ(after.substr(32, 11), std::string("\x09\x00", 2) + "tr\xE8s bien");
  EXPECT_TRUE(after.substr(128) == table.substr(0, 29 * 128)) << "the old places moved down by one";
  click_fin_and_expect_exit_0(*game);
}

// What NVDA or JAWS read from their own process through MSAA, the game's Windows binding
// answering: the result panel, Valider pressed by its default action, then the table.
TEST_F(Recording, UnderWineAScreenReaderReadsTheResultAndTheTableAndPressesValiderAndFin) {
  if (!under_wine()) GTEST_SKIP() << "MSAA is Windows'; on Linux, Qt answers AT-SPI";
  std::vector<std::int16_t> scores;
  for (int place = 1; place <= 30; ++place)
    scores.push_back(static_cast<std::int16_t>(-700 - place));
  test::write_bytes(score_path(), test::table(scores));
  start_game();
  ASSERT_TRUE(wait_game(&Session::result_panel, 10s)) << "no result";
  const std::string panel = screen_reader("tree 129 278");
  const std::string read = panel.substr(0, panel.find("--\n"));
  EXPECT_EQ(read,
            "client \"Klimbor\"\n  text \"Perdu !\"\n  text \"Niveau 1\"\n  text \"Score: 0\"\n"
            "  button \"Recommencer\" [Appuyer]\n  button \"Valider\" [Appuyer]\n"
            "  button \"Continuer\" [Appuyer]\n")
      << panel;
  // Where each one lies on the screen: the window's client area first, Valider where the player
  // clicks it.
  std::istringstream places(panel.substr(panel.find("--\n") + 3));
  std::vector<Window> at;
  char comma = ',';
  for (Window w; places >> w.x >> comma >> w.y >> comma >> w.width >> comma >> w.height;)
    at.push_back(w);
  ASSERT_EQ(at.size(), 7u) << panel;
  EXPECT_EQ(std::tie(at[0].x, at[0].y, at[0].width, at[0].height),
            std::tie(game_window.x, game_window.y, game_window.width, game_window.height));
  const Window valider = at[5];
  EXPECT_EQ(std::pair(valider.width, valider.height), std::pair(17, 17));
  const int click_x = game_window.x + kValider, click_y = game_window.y + kButtonsY;
  EXPECT_TRUE(click_x >= valider.x && click_x < valider.x + 17 && click_y >= valider.y &&
              click_y < valider.y + 17)
      << "Valider at " << valider.x << "," << valider.y << ", clicked at " << click_x << ","
      << click_y;

  EXPECT_EQ(screen_reader("press 129 278 Valider"), "exit 0\n");
  answer({"Lecteur", "sans les yeux"});
  close_message_and_see_viewer();
  const std::string table = screen_reader("tree 660 654");
  EXPECT_NE(table.find("\n  list \"Pseudos, Scores, Commentaires\"\n"
                       "    item \"1: Lecteur, 0, sans les yeux\"\n"
                       "    item \"2: P1, -701, c1\"\n"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("\n    item \"30: P29, -729, c29\"\n  button \"Fin\" [Appuyer]\n"),
            std::string::npos)
      << table;
  EXPECT_EQ(screen_reader("press 660 654 Fin"), "exit 0\n");
  const auto status = game->wait_exit(5s);
  ASSERT_TRUE(status.has_value()) << "still running after Fin";
  EXPECT_EQ(*status, 0);
}

TEST_F(Recording, CancelAtBothQuestionsStoresBlanksAndNoComment) {
  start_game();
  ASSERT_TRUE(win_a_round(60s)) << "the test player could not win a round";
  validate_answering({"", ""});
  close_message_and_see_viewer();
  const std::string after = test::read_bytes(score_path());
  ASSERT_EQ(after.size(), 30u * 128);
  EXPECT_EQ(after.substr(0, 30), std::string(30, ' '));
  EXPECT_EQ(after.substr(32, 2), std::string("\0\0", 2));
  EXPECT_TRUE(after.substr(128) == std::string(29 * 128, '\0'));
}

TEST_F(Recording, ViewerShowsAPreparedTableAndAnotherProgramsRewriteAtTheNextRefresh) {
  test::write_bytes(score_path(), test::slot("Solo", 1234, "seul"));
  start_viewer();
  const Window v = *viewer_window();
  // Wine places windows by a screen of its own making, not the X server's.
  if (!under_wine()) {
    EXPECT_NEAR(v.x + v.width / 2, 450, 2) << "centred on the 900-pixel screen";
  }
  Shot s = desktop.grab(v);
  wait_for(  // the window may show before it is painted
      [&] {
        s = desktop.grab(v);
        return score_text(s, 1) > 10;
      },
      kPatience);
  EXPECT_GT(score_text(s, 1), 10) << "place 1 shows its score";
  EXPECT_EQ(score_text(s, 2), 0) << "no record read for place 2";

  // Another program rewrites the file as the game does: a new file renamed over the old one.
  const auto fresh = score_path().parent_path() / "incoming";
  test::write_bytes(fresh, test::table({2000, 1500, 1000}));
  std::filesystem::rename(fresh, score_path());
  // Looked up again: Wine may move the window once it learns the size of the screen.
  EXPECT_TRUE(wait_for(
      [&] {
        const auto now = viewer_window();
        return now && score_text(desktop.grab(*now), 3) > 10;
      },
      2500ms))
      << "the refresh did not show the new table";
  click_fin_and_expect_exit_0(*viewer);
}

}  // namespace
}  // namespace e2e
