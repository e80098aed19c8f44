#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/klimbor.h"
#include "score_support.h"
#include "scores/score_recording.h"
#include "ui/headless_system.h"

namespace test {

inline const std::string kNoPlace =
    "Bouhhhhh ! vous ne faite même pas partie des 30 premiers. Pour voir les scores des autres "
    "consultez le fichier klb best scores";
inline const std::string kFirst =
    "Félicitation, vous étes classé à la 1er place !!! pour plus de détail consultez le fichier "
    "klb best scores";
inline std::string place_message(int p) {
  return "Bravo, vous étes classé à la " + std::to_string(p) +
         "éme place ! pour plus de détail consultez le fichier klb best scores";
}

// A game window ready to hand a score over, on a real score file in a fresh folder.
class Recording : public test::ScoreFileTest {
 protected:
  Recording() {
    sys.show(game);
    sys.advance(3000);
  }
  // Plays out "Valider" with this score: the click, then the tick that records.
  void validate(Module1::Integer with_score,
                std::vector<std::string> answers = {"Zoé", "bien joué"}) {
    Module1::score = with_score;
    sys.answers.assign(answers.begin(), answers.end());
    game.Timer1.set_enabled(false);
    game.dem.Visible = game.tout.Visible = true;
    sys.click(game.ok);
    sys.advance(63);
  }
  bool asked() const { return !sys.prompts.empty(); }

  // 600 into {900, 500, 100} on the file layer as set: every byte read and written, the places
  // below moved down whole and the viewer showing them.
  void expect_second_place_recorded_whole() {
    const std::string before = table({900, 500, 100});
    write_bytes(path(), before);
    validate(600, {"A", ""});
    expect_announced(place_message(2));
    const std::string after = bytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 128), before.substr(0, 128));
    EXPECT_EQ(after.substr(256, 128 * 2), before.substr(128, 128 * 2)) << "moved down whole";
    EXPECT_EQ(recording.viewer()->Grd_livre.text(3, 2), "500") << "the viewer read it whole too";
  }

  void expect_refused_untouched(const std::string& reason) {
    ASSERT_EQ(sys.errors.size(), 1u);
    EXPECT_TRUE(contains(sys.errors[0], reason)) << sys.errors[0];
    EXPECT_TRUE(contains(sys.errors[0], path().string())) << sys.errors[0];
    EXPECT_TRUE(sys.messages.empty());
    EXPECT_TRUE(game.Visible) << "Valider can be pressed again";
  }
  void expect_announced(const std::string& message) {
    EXPECT_TRUE(sys.errors.empty()) << sys.errors.front();
    EXPECT_EQ(sys.messages, std::vector<std::string>{message});
    ASSERT_NE(recording.viewer(), nullptr);
    EXPECT_TRUE(recording.viewer()->Visible);
    EXPECT_FALSE(game.Visible);
  }

  ui::HeadlessSystem sys;
  scores::ScoreRecording recording{sys, store};
  game::Klimbor game{sys, [this](game::Klimbor& g) { recording.record(g, g.Timer1); }};
};

}  // namespace test
