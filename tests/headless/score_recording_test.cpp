#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "failing_files.h"
#include "recording_fixture.h"
#include "scores/score_slot.h"

using namespace Module1;

namespace {

using namespace test;

struct Example {
  Integer score;
  std::vector<int> table;
  std::string message;
  Integer last_place;  // where the scan stopped
};

class WorkedExample : public Recording, public ::testing::WithParamInterface<Example> {};

TEST_P(WorkedExample, OnTheTable900_500_100) {
  const Example& c = GetParam();
  test::write_bytes(path(), test::table({900, 500, 100}));
  validate(c.score);
  std::vector<int> expected = c.table;
  expected.resize(30, 0);
  EXPECT_EQ(test::scores_of(bytes()), expected);
  EXPECT_EQ(bytes().size(), 30u * 128) << "thirty places, never more";
  EXPECT_EQ(sys.messages, std::vector<std::string>{c.message});
  EXPECT_EQ(place, c.last_place);
}

// A place found below place 1 ends the scan at 0, then one lower; place 1 and no place end it
// when the scan runs out of places.
INSTANTIATE_TEST_SUITE_P(Scores, WorkedExample,
                         ::testing::Values(Example{600, {900, 600, 500, 100}, place_message(2), -1},
                                           Example{1000, {1000, 900, 500, 100}, kFirst, 0},
                                           Example{100, {900, 500, 100, 100}, place_message(4), -1},
                                           Example{0, {900, 500, 100}, kNoPlace, 0}),
                         [](const auto& info) {
                           return "Score" + std::to_string(info.param.score);
                         });

TEST_F(Recording, NewRecordHoldsTheAnswersAndMovedRecordsKeepTheirs) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  validate(600);
  const std::string b = bytes();
  EXPECT_EQ(test::pseudo_at(b, 1), "P1" + std::string(28, ' '));
  EXPECT_EQ(test::pseudo_at(b, 2), "Zo\xE9" + std::string(27, ' '));
  EXPECT_EQ(b.substr(128 + 32, 2 + 9), std::string("\x09\x00", 2) + "bien jou\xE9");
  EXPECT_EQ(test::pseudo_at(b, 3), "P2" + std::string(28, ' '));
  EXPECT_EQ(b.substr(2 * 128 + 34, 2), "c2");
  EXPECT_EQ(test::pseudo_at(b, 5), std::string(30, '\0')) << "moved empty places stay empty";
  EXPECT_EQ(sys.prompts, (std::vector<std::string>{"entrez votre pseudo", "commentaire:"}));
  EXPECT_EQ(sys.input_limits, (std::vector<int>{30, 94}));
}

TEST_F(Recording, AnEqualScoreGoesBelow) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  validate(900);
  EXPECT_EQ(test::scores_of(bytes())[1], 900);
  EXPECT_EQ(test::pseudo_at(bytes(), 1).substr(0, 2), "P1");
  EXPECT_EQ(sys.messages, std::vector<std::string>{place_message(2)});
}

std::vector<std::int16_t> full_table() {
  std::vector<std::int16_t> t;
  for (int p = 1; p <= 30; ++p) t.push_back(static_cast<std::int16_t>(3000 - 100 * p));
  t[28] = 60;
  t[29] = 50;
  return t;
}

TEST_F(Recording, FullTableBeatenByOnePointAtPlace30) {
  test::write_bytes(path(), test::table(full_table()));
  const std::string before = bytes();
  validate(51);
  const std::string after = bytes();
  EXPECT_TRUE(after.substr(0, 29 * 128) == before.substr(0, 29 * 128)) << "places 1 to 29 changed";
  EXPECT_EQ(test::scores_of(after)[29], 51);
  EXPECT_EQ(sys.messages, std::vector<std::string>{place_message(30)});
}

TEST_F(Recording, FullTableNotBeatenAsksNothingAndWritesNothing) {
  test::write_bytes(path(), test::table(full_table()));
  const std::string before = bytes();
  validate(50);
  EXPECT_FALSE(asked());
  EXPECT_TRUE(bytes() == before) << "the file changed";
  EXPECT_EQ(sys.messages, std::vector<std::string>{kNoPlace});
}

TEST_F(Recording, AScoreThatEntersNoPlaceOnlyReadsTheTable) {
  // Neither the lock nor the size limit of a rewrite stands in its way, not even right after a
  // score that entered could not be stored.
  std::string full = test::table(std::vector<std::int16_t>(30, 100));
  full += std::string(70 * 1024, 'z');
  test::write_bytes(path(), full);
  files = test::failing_files(test::Step::lock, test::Failure::io_error);
  validate(600);
  expect_refused_untouched("erreur d'entrée-sortie");
  sys.errors.clear();
  validate(50);
  expect_announced(test::kNoPlace);
  EXPECT_TRUE(bytes() == full);
}

TEST_F(Recording, ScoreAboveAllThirtyTakesPlace1AndDropsTheLast) {
  test::write_bytes(path(), test::table(full_table()));
  const std::vector<int> before = test::scores_of(bytes());
  validate(5000);
  const std::vector<int> after = test::scores_of(bytes());
  EXPECT_EQ(after[0], 5000);
  EXPECT_EQ(std::vector<int>(after.begin() + 1, after.end()),
            std::vector<int>(before.begin(), before.end() - 1));
  EXPECT_EQ(test::pseudo_at(bytes(), 30).substr(0, 3), "P29");
  EXPECT_EQ(sys.messages, std::vector<std::string>{kFirst});
}

TEST_F(Recording, EmptyOrMissingFileGivesPlace1AndThirtySlots) {
  validate(600);
  const std::string b = bytes();
  ASSERT_EQ(b.size(), 30u * 128);
  EXPECT_EQ(test::scores_of(b)[0], 600);
  EXPECT_EQ(b.substr(128), std::string(29 * 128, '\0'));
  EXPECT_EQ(sys.messages, std::vector<std::string>{kFirst});
}

TEST_F(Recording, CancelAtBothQuestionsStoresBlanksAndNoComment) {
  validate(600, {});
  EXPECT_EQ(test::pseudo_at(bytes(), 1), std::string(30, ' '));
  EXPECT_EQ(bytes().substr(32, 2), std::string("\0\0", 2));
}

TEST_F(Recording, OverlongAnswersAreCutNotLost) {
  validate(600, {std::string(31, 'n'), std::string(95, 'c')});
  const std::string b = bytes();
  EXPECT_EQ(test::pseudo_at(b, 1), std::string(30, 'n'));
  EXPECT_EQ(b.substr(32, 2), std::string("\x5E\x00", 2)) << "94 bytes";
  EXPECT_EQ(b.substr(34, 94), std::string(94, 'c'));
  EXPECT_EQ(sys.messages, std::vector<std::string>{kFirst});
}

TEST_F(Recording, GivesWayToTheViewerAfterTheMessage) {
  test::write_bytes(path(), test::table({900}));
  const int descriptors = test::open_descriptors();
  validate(600);
  const std::vector<std::string> expected{"show Klimbor",       "input entrez votre pseudo",
                                          "input commentaire:", "message " + place_message(2),
                                          "hide Klimbor",       "show frm_visualiser"};
  EXPECT_EQ(sys.journal, expected);
  ASSERT_NE(recording.viewer(), nullptr);
  EXPECT_TRUE(recording.viewer()->Visible);
  EXPECT_FALSE(game.Visible);
  EXPECT_EQ(recording.viewer()->Grd_livre.text(2, 2), "600") << "the viewer read the new table";
  EXPECT_FALSE(game.Timer1.enabled());
  EXPECT_EQ(end_choice, 2);
  sys.advance(10000);
  EXPECT_EQ(sys.messages.size(), 1u) << "the recording ran once";
  EXPECT_EQ(test::open_descriptors(), descriptors)
      << "the recording and the refreshes leave no file open";
  sys.close(*recording.viewer());
  EXPECT_TRUE(sys.ended()) << "the hidden game window does not keep the program alive";
}

TEST_F(Recording, ClosingTheGameDuringTheNicknameQuestionEndsTheProgramAndRecordsNothing) {
  const std::string before = test::table({900});
  test::write_bytes(path(), before);
  sys.on_input_box = [this](const std::string&) { sys.close(game); };
  validate(600);
  EXPECT_EQ(sys.prompts, std::vector<std::string>{"entrez votre pseudo"}) << "nothing more asked";
  EXPECT_EQ(bytes(), before) << "no blank nickname recorded";
  EXPECT_EQ(recording.viewer(), nullptr);
  EXPECT_TRUE(sys.ended()) << "no window is left on screen";
  EXPECT_TRUE(sys.errors.empty());
}

TEST_F(Recording, AnotherGameRecordingDuringTheQuestionsIsKept) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  // While this player types, a second game program enters 700. It has a Module1 of its own,
  // so ours is put back as it was once it is done.
  sys.on_input_box = [this](const std::string& prompt) {
    if (prompt != "commentaire:") return;
    const auto ours = std::tuple(score, place, placed, score_rec, new_pseudo, new_comment);
    ui::HeadlessSystem other;
    scores::ScoreRecording rival(other, store);
    game::Klimbor other_game(other, [](game::Klimbor&) {});
    other.answers = {"Rival", ""};
    score = 700;
    rival.record(other_game, other_game.Timer1);
    std::tie(score, place, placed, score_rec, new_pseudo, new_comment) = ours;
  };
  validate(600);
  std::vector<int> expected{900, 700, 600, 500, 100};
  expected.resize(30, 0);
  EXPECT_EQ(test::scores_of(bytes()), expected);
  EXPECT_EQ(sys.messages, std::vector<std::string>{place_message(3)});
}

TEST_F(Recording, A64KiBFileIsRewrittenWholeOneByteMoreIsRefusedUntouched) {
  const std::string tail(64 * 1024 - 30 * 128, 'z');  // a foreign program's bytes, kept
  test::write_bytes(path(), test::table({900}) + tail);
  validate(600);
  EXPECT_TRUE(sys.errors.empty()) << sys.errors.front();
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  EXPECT_TRUE(bytes().substr(30 * 128) == tail) << "the bytes after place 30 are kept";

  const std::string huge = test::table({900}) + tail + "z";
  test::write_bytes(path(), huge);
  sys.messages.clear();
  sys.show(game);
  validate(600);
  EXPECT_TRUE(bytes() == huge) << "the file changed";
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_NE(sys.errors[0].find("anormalement grand (65537 octets)"), std::string::npos)
      << sys.errors[0];
  EXPECT_TRUE(sys.messages.empty());
  EXPECT_TRUE(game.Visible);

  test::write_bytes(path(), huge + std::string(1024 * 1024 - huge.size(), 'z'));
  sys.errors.clear();
  validate(600);
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_NE(sys.errors[0].find("(1048576 octets)"), std::string::npos)
      << "its whole size, though no more than 64 KiB are read: " << sys.errors[0];
}

TEST_F(Recording, ATableOutOfOrderIsHandledStepByStep) {
  // Never written by the game: the scan moves down what it finds lower until a higher score
  // stops it, and stores the new record there.
  test::write_bytes(path(), test::table({100, 900, 50}));
  validate(500);
  std::vector<int> expected{100, 900, 500, 50};
  expected.resize(30, 0);
  EXPECT_EQ(test::scores_of(bytes()), expected);
}

TEST_F(Recording, ALowScoreInTheMiddleOfAnUnorderedTableIsReplacedWithoutAQuestion) {
  // Place 30 is not beaten, so nothing is asked; the scan still finds place 5 lower.
  std::vector<std::int16_t> scores{900, 900, 900, 900, 10};
  scores.resize(30, 600);
  test::write_bytes(path(), test::table(scores));
  validate(500);
  EXPECT_FALSE(asked());
  const std::vector<int> now = test::scores_of(bytes());
  EXPECT_EQ(now[4], 500);
  EXPECT_EQ(now[5], 10);
  EXPECT_EQ(now[29], 600);
  EXPECT_EQ(sys.messages, std::vector<std::string>{place_message(5)});
}

}  // namespace
