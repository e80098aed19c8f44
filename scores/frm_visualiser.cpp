#include "scores/frm_visualiser.h"

#include <string>
#include <utility>

#include "game/module1.h"
#include "scores/score_slot.h"
#include "ui/colours.h"
#include "ui/runtime_error.h"

using namespace Module1;

namespace scores {

namespace {

using namespace ui::colours;

void dress_label(ui::Label& label, const std::string& caption, double points) {
  label.Caption = caption;
  label.ForeColor = kOrange;
  label.BackColor = kLightGreen;
  label.font = {"Comic Sans MS", points, true};
}

// "1: " to "9: ", then "10:" to "30:": three characters each.
std::string place_label(int n) {
  std::string label = std::to_string(n) + ":";
  if (label.size() < 3) label += ' ';
  return label;
}

}  // namespace

frm_visualiser::frm_visualiser(ui::System& system, ScoreStore& store)
    : ui::Form("frm_visualiser", "Klimbor", 9900, 9810, kLightGreen),
      Timer1("Timer1", 2000, true),
      cmd_fin("cmd_fin", this, {4080, 9120, 1695, 615}, true),
      Grd_livre("Grd_livre", this, {0, 0, 9945, 9015}, kPlaces + 1, 4),
      Label2("Label2", this, {8040, 9240, 1575, 495}, true),
      Label1("Label1", this, {600, 9240, 2415, 375}, true),
      system_(system),
      file_(store) {
  centred = true;
  stack({&cmd_fin, &Grd_livre, &Label2, &Label1});
  keep_timers({&Timer1});
  cmd_fin.Caption = "Fin";
  cmd_fin.font = {"Comic Sans MS", 9.75, true};
  Grd_livre.font = {"Comic Sans MS", 8.25, true};
  Grd_livre.BackColor = kLightYellow;
  Grd_livre.ForeColor = kDarkGreen;
  Grd_livre.BackColorFixed = kSalmon;
  Grd_livre.BackColorSel = kSalmon;
  Grd_livre.BackColorBkg = kLightGreen;
  Grd_livre.GridColor = kSalmon;
  dress_label(Label2, "By Dalvix", 15.75);
  dress_label(Label1, "www.klimbor.example", 11.25);
  Load = [this] { Form_Load(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  cmd_fin.Click = [this] { cmd_fin_Click(); };
  // Fin is the window's one way out, as OK is a dialog's.
  press_with(ui::Key::Escape, cmd_fin);
  press_with(ui::Key::Return, cmd_fin);
}

void frm_visualiser::Form_Load() {
  write_headings();
  write_place_labels();
  grid_row = 1;
  open_file();
  fill_rows();
}  // the file stays open until the next refresh

void frm_visualiser::Timer1_Timer() {
  file_.close();
  grid_row = 1;
  open_file();
  fill_rows();
}

// A path that cannot be read is reported once, not at every refresh: the refreshes after it stay
// quiet, the grid as it was, until the path is mended or fails in another way.
void frm_visualiser::open_file() {
  try {
    file_.open_for_reading();
    reported_.clear();
  } catch (const ui::RuntimeError& e) {
    if (reported_ == e.what()) return;
    reported_ = e.what();
    throw;
  }
}

void frm_visualiser::show_table(ScoreTable image) {
  Timer1.set_enabled(false);
  clear_rows();
  file_.open_image(std::move(image));
  grid_row = 1;
  fill_rows();
}  // the image stays open until the refresh reads the file again

// Cleared first: the rows a shorter file has no record for would keep the other table's.
void frm_visualiser::show_stored() {
  clear_rows();
  Timer1.set_enabled(true);
  Timer1_Timer();
}

void frm_visualiser::clear_rows() {
  for (int row = 1; row <= kPlaces; ++row) {
    for (int col = 1; col <= 3; ++col) {
      Grd_livre.set_col(col);
      Grd_livre.set_row(row);
      Grd_livre.set_text("");
    }
  }
}

void frm_visualiser::cmd_fin_Click() {
  system_.end_program();
}

void frm_visualiser::write_headings() {
  struct Heading {
    int col;
    const char* text;
    int width;
  };
  for (const Heading& h : {Heading{1, "Pseudos ", 1500}, Heading{2, "Scores", 650},
                           Heading{3, "Commentaires", 7300}}) {
    Grd_livre.set_col(h.col);
    Grd_livre.set_row(0);
    Grd_livre.set_text(h.text);
    Grd_livre.set_col_width(h.col, h.width);
  }
}

void frm_visualiser::write_place_labels() {
  for (int n = 1; n <= kPlaces; ++n) {
    Grd_livre.set_col(0);
    Grd_livre.set_row(n);
    Grd_livre.set_text(place_label(n));
  }
}

// Rows for the places read, and only those: a row with no record keeps what it showed. A file
// longer than the table has no row for its extra places, so they are not read.
void frm_visualiser::fill_rows() {
  while (!file_.at_end() && grid_row <= kPlaces) {
    file_.read_next();
    write_cell(1, score_rec.pseudo);
    write_cell(2, std::to_string(score_rec.score));
    write_cell(3, score_rec.comment);
    grid_row = checked(long{grid_row} + 1);
  }
}

void frm_visualiser::write_cell(int col, const std::string& text) {
  Grd_livre.set_col(col);
  Grd_livre.set_row(grid_row);
  Grd_livre.set_text(text);
}

}  // namespace scores
