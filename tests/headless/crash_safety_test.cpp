#include <gtest/gtest.h>

#include <string>

#include "failing_files.h"
#include "recording_fixture.h"
#include "scores/frm_visualiser.h"
#include "scores/score_recording.h"

using namespace Module1;
using test::Failure;
using test::Step;

namespace {

class FailedRewrite : public test::ScoreFileTest, public ::testing::WithParamInterface<Step> {
 protected:
  void record_600_with_failing(Step step, Failure failure) {
    scores::NativeFileSystem failing = test::failing_files(step, failure);
    scores::ScoreStore failing_store(failing, path());
    ui::HeadlessSystem sys;
    scores::ScoreRecording recording(sys, failing_store);
    game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
    sys.show(game);
    sys.advance(3000);
    score = 600;
    sys.answers = {"Zoé", "x"};
    game.ok_Click();
    sys.advance(63);
    errors = sys.errors;
    messages = sys.messages;
    game_visible = game.Visible;
  }

  std::vector<std::string> errors, messages;
  bool game_visible = false;
  int descriptors_before = test::open_descriptors();
};

TEST_P(FailedRewrite, LeavesTheTableByteForByteAndSaysSo) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  record_600_with_failing(GetParam(), Failure::disk_full);
  EXPECT_TRUE(bytes() == before) << "the table changed";
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("le disque est plein"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find(path().string()), std::string::npos) << errors[0];
  EXPECT_TRUE(messages.empty()) << "no place is announced for a score not stored";
  EXPECT_TRUE(game_visible) << "the player can choose Valider again";
  EXPECT_EQ(test::open_descriptors(), descriptors_before) << "a file left open";
  for (const auto& entry : test::fs::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "scores klimbor" || name == ".scores klimbor.lock") << name << " left";
  }
}

std::string step_name(const ::testing::TestParamInfo<Step>& info) {
  return test::name_of(info.param);
}

INSTANTIATE_TEST_SUITE_P(AtEveryStep, FailedRewrite,
                         ::testing::Values(Step::read, Step::lock, Step::create_temporary,
                                           Step::write, Step::partial_write, Step::write_nothing,
                                           Step::flush, Step::close, Step::replace),
                         step_name);

TEST_F(FailedRewrite, AnUnwritableFolderIsReportedAsRefused) {
  test::write_bytes(path(), test::table({900}));
  record_600_with_failing(Step::create_temporary, Failure::access_denied);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("accès refusé"), std::string::npos) << errors[0];
}

// Each refused "Valider" runs one more tick before the recording: the score on the panel must
// still be the one recorded, however many refusals come first.
TEST_F(FailedRewrite, ValiderAgainAfterTwentyFailuresStoresTheScoreOnThePanel) {
  test::write_bytes(path(), test::table({900}));
  ui::HeadlessSystem sys;
  scores::NativeFileSystem failing = test::failing_files(Step::replace, Failure::io_error);
  scores::ScoreStore failing_store(failing, path());
  scores::ScoreRecording broken(sys, failing_store);
  scores::ScoreRecording working(sys, store);
  bool disk_back = false;
  game::Klimbor game(sys,
                     [&](game::Klimbor& g) { (disk_back ? working : broken).record(g, g.Timer1); });
  sys.show(game);
  sys.advance(3000);
  score = 600;
  player_dx = 30;  // out of the lane in a dozen steps
  constexpr int kRefusals = 20;
  for (int i = 0; i < kRefusals; ++i) {
    sys.answers = {"A", ""};
    game.ok_Click();
    sys.advance(63);
  }
  ASSERT_EQ(sys.errors.size(), std::size_t{kRefusals});
  EXPECT_NE(sys.errors[0].find("erreur d'entrée-sortie"), std::string::npos);
  EXPECT_EQ(score, 600) << "the refusals moved the spider out of its lane";
  disk_back = true;
  sys.answers = {"A", ""};
  game.ok_Click();
  sys.advance(63);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  EXPECT_EQ(game.ar1(0).Top, 3960 - 15) << "one step from the start, as after the first Valider";
  EXPECT_FALSE(game.Visible);
}

// Looks at the file through the viewer right before and right after the replacement.
TEST_F(FailedRewrite, AViewerReadingDuringARecordingSeesTheOldTableOrTheNew) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  ui::HeadlessSystem viewer_sys;
  scores::frm_visualiser viewer(viewer_sys, store);
  viewer_sys.show(viewer);
  std::vector<std::string> seen;
  scores::NativeFileSystem peeking = test::peeking_files([&](bool) {
    viewer.Timer1_Timer();
    seen.push_back(viewer.Grd_livre.text(2, 2) + "," + viewer.Grd_livre.text(3, 2));
  });
  scores::ScoreStore peeking_store(peeking, path());
  ui::HeadlessSystem sys;
  scores::ScoreRecording recording(sys, peeking_store);
  game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
  score = 600;
  sys.answers = {"A", ""};
  recording.record(game, game.Timer1);
  EXPECT_EQ(seen, (std::vector<std::string>{"500,100", "600,500"}));
  EXPECT_TRUE(sys.errors.empty());
}

}  // namespace
