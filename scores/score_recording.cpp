#include "scores/score_recording.h"

#include <string>

#include "game/module1.h"
#include "scores/cp1252.h"
#include "scores/score_slot.h"

using namespace Module1;

namespace scores {

ScoreRecording::ScoreRecording(ui::System& system, ScoreStore& store)
    : system_(system), store_(store) {}

void ScoreRecording::record(ui::Form& game_window, ui::Timer& game_tick) {
  game_tick.set_enabled(false);  // the recording runs once
  place = 30;
  placed = 0;
  ask_if_entering();
  const int reached = rewrite_table();
  // The table is saved before the player is told the place: no message for a score not stored.
  announce(reached);
  system_.hide(game_window);
  show_viewer();
}

// The answers are cut to what a place holds, and the boxes take no more than that.
void ScoreRecording::ask_if_entering() {
  score_rec = store_.load_places().read(kPlaces);
  if (score_rec.score < score) {
    new_pseudo =
        cp1252::left(system_.input_box("entrez votre pseudo", kPseudoLength), kPseudoLength);
    new_comment = cp1252::left(system_.input_box("commentaire:", kCommentMax), kCommentMax);
  }
}

// The scan works on an image of the table, and the image replaces the file in one step. A score
// that enters no place only reads the table, so it is announced even where the file could not be
// locked or rewritten. One that enters is scanned again under the lock, on the table as it is
// then, so that another game recording meanwhile is not lost.
int ScoreRecording::rewrite_table() {
  ScoreTable image = store_.load_places();
  int reached = scan(image);
  if (!image.changed()) return reached;
  store_.rewrite([&](ScoreTable& table) {
    place = 30;
    placed = 0;
    reached = scan(table);
  });
  return reached;
}

// From place 30 upwards: every lower score moves down one place, the last one drops out, and
// the new record goes below the first score it does not beat. The place reached, or 0.
int ScoreRecording::scan(ScoreTable& table) {
  int reached = 0;
  while (place > 0) {
    score_rec = table.read(place);
    tmp_pseudo = score_rec.pseudo;
    tmp_score = score_rec.score;
    tmp_comment = score_rec.comment;
    if (tmp_score < score) {
      placed = 1;
      if (place < 30) {
        score_rec = {tmp_pseudo, tmp_score, tmp_comment};
        table.write(place + 1, score_rec);
      }
      if (place == 1) {
        store_new_record(table, 1);
        reached = 1;
      }
    } else if (place < 30 && placed == 1) {
      store_new_record(table, place + 1);
      reached = place + 1;
      place = 0;
    }
    place = checked(long{place} - 1);
  }
  return reached;
}

void ScoreRecording::store_new_record(ScoreTable& table, int at) {
  score_rec = {fixed30(new_pseudo), score, new_comment};
  table.write(at, score_rec);
}

void ScoreRecording::announce(int reached) {
  if (reached == 0) {
    system_.message_box(
        "Bouhhhhh ! vous ne faite même pas partie des 30 premiers. Pour voir les scores des "
        "autres consultez le fichier klb best scores");
  } else if (reached == 1) {
    system_.message_box(
        "Félicitation, vous étes classé à la 1er place !!! pour plus de détail consultez le "
        "fichier klb best scores");
  } else {
    system_.message_box("Bravo, vous étes classé à la " + std::to_string(reached) +
                        "éme place ! pour plus de détail consultez le fichier klb best scores");
  }
}

void ScoreRecording::show_viewer() {
  if (!viewer_) viewer_ = std::make_unique<frm_visualiser>(system_, store_);
  system_.show(*viewer_);
}

}  // namespace scores
