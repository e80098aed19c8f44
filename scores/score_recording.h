#pragma once

#include <memory>

#include "scores/frm_visualiser.h"
#include "scores/score_store.h"
#include "scores/score_table.h"
#include "ui/form.h"
#include "ui/system.h"
#include "ui/timer.h"

namespace scores {

// Offers a finished game's score to the best-score table, then gives way to the viewer window.
class ScoreRecording {
 public:
  ScoreRecording(ui::System& system, ScoreStore& store);

  // Stops the game tick, asks for a nickname and a comment when Module1::score enters the
  // table, moves the lower places down, tells the place reached, hides the game window and
  // shows the viewer.
  void record(ui::Form& game_window, ui::Timer& game_tick);

  // The viewer window, once a recording has shown it.
  frm_visualiser* viewer() const { return viewer_.get(); }

 private:
  void ask_if_entering();
  int rewrite_table();
  int scan(ScoreTable& table);
  void store_new_record(ScoreTable& table, int at);
  void announce(int reached);
  void show_viewer();

  ui::System& system_;
  ScoreStore& store_;
  std::unique_ptr<frm_visualiser> viewer_;
};

}  // namespace scores
