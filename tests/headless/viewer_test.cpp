#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "score_support.h"
#include "scores/frm_visualiser.h"
#include "ui/accessibility.h"
#include "ui/headless_system.h"

using namespace Module1;
using test::slot;

namespace {

class Viewer : public test::ScoreFileTest {
 protected:
  void open() { sys.show(viewer); }
  const std::string& cell(int row, int col) const { return viewer.Grd_livre.text(row, col); }

  ui::HeadlessSystem sys;
  scores::frm_visualiser viewer{sys, store};
};

TEST_F(Viewer, LoadWritesHeadingsPlaceLabelsAndColumnWidths) {
  open();
  EXPECT_EQ(cell(0, 1), "Pseudos ");
  EXPECT_EQ(cell(0, 2), "Scores");
  EXPECT_EQ(cell(0, 3), "Commentaires");
  EXPECT_EQ(cell(0, 0), "") << "the corner stays as the grid was created";
  EXPECT_EQ(cell(1, 0), "1: ");
  EXPECT_EQ(cell(9, 0), "9: ");
  EXPECT_EQ(cell(10, 0), "10:");
  EXPECT_EQ(cell(30, 0), "30:");
  EXPECT_EQ(viewer.Grd_livre.col_width(1), 1500);
  EXPECT_EQ(viewer.Grd_livre.col_width(2), 650);
  EXPECT_EQ(viewer.Grd_livre.col_width(3), 7300);
  EXPECT_EQ(viewer.Grd_livre.rows(), 31);
  EXPECT_EQ(viewer.Grd_livre.cols(), 4);
  EXPECT_EQ(viewer.Caption, "Klimbor");
  EXPECT_TRUE(viewer.Visible);
}

TEST_F(Viewer, AMissingFileShowsOnlyTheFrameAndRefreshesChangeNothing) {
  open();
  sys.advance(6000);
  for (int row = 1; row <= 30; ++row) {
    for (int col = 1; col <= 3; ++col) EXPECT_EQ(cell(row, col), "") << row << "," << col;
  }
  EXPECT_TRUE(sys.errors.empty());
  EXPECT_FALSE(test::is_stored(path()));
}

TEST_F(Viewer, PlacesShowAsStoredNothingTrimmed) {
  test::write_bytes(
      path(), slot("Zo", 1000, "salut") + std::string(128, '\0') + slot("  Neg", -3, "\xE9t\xE9"));
  open();
  EXPECT_EQ(cell(1, 1), "Zo" + std::string(28, ' '));
  EXPECT_EQ(cell(1, 2), "1000");
  EXPECT_EQ(cell(1, 3), "salut");
  EXPECT_EQ(cell(2, 1), std::string(30, '\0')) << "the empty record";
  EXPECT_EQ(cell(2, 2), "0");
  EXPECT_EQ(cell(2, 3), "");
  EXPECT_EQ(cell(3, 1), "  Neg" + std::string(25, ' '));
  EXPECT_EQ(cell(3, 2), "-3");
  EXPECT_EQ(cell(3, 3), "été");
  EXPECT_EQ(cell(4, 2), "") << "no row for a place not in the file";
  EXPECT_EQ(viewer.Grd_livre.row(), 3);
  EXPECT_EQ(viewer.Grd_livre.col(), 3) << "the current cell is the last written";
  // A screen reader reads each place as one line, without the blanks that pad it.
  const ui::Accessible table = ui::accessible_of(viewer.Grd_livre);
  EXPECT_EQ(table.role, ui::Role::table);
  EXPECT_EQ(table.name, "Pseudos, Scores, Commentaires");
  EXPECT_FALSE(table.announced) << "not read out again at every refresh";
  EXPECT_EQ(ui::row_text(viewer.Grd_livre, 1), "1: Zo, 1000, salut");
  EXPECT_EQ(ui::row_text(viewer.Grd_livre, 2), "2: 0");
  EXPECT_EQ(ui::row_text(viewer.Grd_livre, 3), "3: Neg, -3, été");
  EXPECT_EQ(ui::row_text(viewer.Grd_livre, 4), "4:");
  EXPECT_EQ(ui::accessible_of(viewer.cmd_fin).name, "Fin");
}

TEST_F(Viewer, RefreshShowsANewRecordWithin2000MsAndKeepsTheRowsBelow) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  open();
  ASSERT_EQ(cell(30, 2), "0");
  sys.advance(500);
  test::write_bytes(path(), slot("New", 1200, "top"));  // a shorter file
  sys.advance(1499);
  EXPECT_EQ(cell(1, 2), "900");
  sys.advance(1);
  EXPECT_EQ(cell(1, 2), "1200");
  EXPECT_EQ(cell(1, 1).substr(0, 3), "New");
  EXPECT_EQ(cell(2, 2), "500") << "rows with no record keep what they showed";
  EXPECT_EQ(cell(30, 2), "0");
}

TEST_F(Viewer, ARefreshThatFindsTheSameTableChangesNothingToRedraw) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  open();
  const unsigned long drawn = viewer.Grd_livre.version();
  sys.advance(4000);
  EXPECT_EQ(viewer.Grd_livre.version(), drawn);
  test::write_bytes(path(), test::table({901, 500, 100}));
  sys.advance(2000);
  EXPECT_NE(viewer.Grd_livre.version(), drawn);
}

TEST_F(Viewer, AFileLongerThanTheTableShowsThirtyPlaces) {
  std::string bytes = test::table({900, 500, 100});
  bytes += slot("Extra", 31, "") + slot("More", 32, "");
  test::write_bytes(path(), bytes);
  open();
  sys.advance(2000);
  EXPECT_TRUE(sys.errors.empty());
  EXPECT_EQ(grid_row, 31);
  EXPECT_EQ(cell(30, 2), "0");
}

TEST_F(Viewer, RandomBytesFillTheGridWithoutFailing) {
  std::string junk(5000, '\0');
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
  test::write_bytes(path(), junk);
  open();
  EXPECT_TRUE(sys.errors.empty());
  EXPECT_EQ(grid_row, 31);
}

TEST_F(Viewer, FinByClickReturnOrEscapeEndsTheProgram) {
  open();
  EXPECT_FALSE(sys.press(viewer, ui::Key::Space));
  EXPECT_FALSE(sys.press(viewer, ui::Key::C));
  EXPECT_FALSE(sys.ended()) << "only Fin's keys end it";
  for (const auto& fin :
       std::vector<std::function<bool(ui::HeadlessSystem&, scores::frm_visualiser&)>>{
           [](auto&s, auto&v) { return s.click(v.cmd_fin); },
           [](auto&s, auto&v) { return s.press(v, ui::Key::Return); },
           [](auto&s, auto&v) { return s.press(v, ui::Key::Escape); }}) {
    ui::HeadlessSystem other;
    scores::frm_visualiser window(other, store);
    other.show(window);
    ASSERT_TRUE(fin(other, window));
    EXPECT_TRUE(other.ended());
    EXPECT_FALSE(window.Visible);
  }
}

TEST_F(Viewer, OnlyTheRecordBufferAndTheRowCounterChange) {
  test::write_bytes(path(), test::table({900, 500}));
  open();
  sys.advance(4000);
  EXPECT_EQ(grid_row, 31);
  EXPECT_EQ(score_rec.score, 0);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(level, 0);
  EXPECT_EQ(place, 0);
  EXPECT_EQ(end_choice, 0);
  EXPECT_TRUE(new_pseudo.empty());
  EXPECT_TRUE(tmp_pseudo.empty());
}

}  // namespace
