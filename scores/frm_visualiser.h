#pragma once

#include <string>

#include "scores/score_file.h"
#include "scores/score_store.h"
#include "ui/elements.h"
#include "ui/form.h"
#include "ui/grid.h"
#include "ui/system.h"
#include "ui/timer.h"

namespace scores {

// The viewer of the best-score table: a grid of the 30 places, re-read every two seconds, and
// "Fin" to end the program.
class frm_visualiser : public ui::Form {
 public:
  frm_visualiser(ui::System& system, ScoreStore& store);

  ui::Timer Timer1;  // refresh
  ui::Button cmd_fin;
  ui::Grid Grd_livre;
  ui::Label Label2;
  ui::Label Label1;

  void Form_Load();
  void Timer1_Timer();
  void cmd_fin_Click();

  // A table that is not the file, shown in place of it with the refresh paused (a table the
  // player brings, while asked whether it replaces the file's); rows past its end are blank.
  void show_table(ScoreTable image);
  // The file again, read at once, and the refresh back on.
  void show_stored();

 private:
  void clear_rows();
  void write_headings();
  void write_place_labels();
  void fill_rows();
  void write_cell(int col, const std::string& text);
  void open_file();

  ui::System& system_;
  ScoreFile file_;
  std::string reported_;  // the last failure to read the file, already told
};

}  // namespace scores
