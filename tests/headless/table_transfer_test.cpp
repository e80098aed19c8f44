#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failing_files.h"
#include "score_support.h"
#include "scores/frm_visualiser.h"
#include "scores/table_transfer.h"
#include "shared_tables.h"
#include "ui/headless_system.h"

using test::slot;

namespace {

// A viewer open on the stored table, and the player's file brought into it.
class TableTransfer : public test::ScoreFileTest {
 protected:
  void open(const std::string& stored) {
    test::write_bytes(path(), stored);
    sys.show(viewer);
  }
  // Imports file; answer is the player's, given after the grid shown meanwhile is kept.
  std::string import(std::string file, bool answer) {
    const auto size = file.size();
    return test::refusal_of([&] {
      scores::import_table(viewer, store, std::move(file), size, [&](const std::string& question) {
        questions.push_back(question);
        EXPECT_FALSE(viewer.Timer1.enabled()) << "no refresh while the player decides";
        shown = test::grid_rows(viewer.Grd_livre);
        return answer;
      });
    });
  }
  std::string grid() const { return test::grid_rows(viewer.Grd_livre); }

  ui::HeadlessSystem sys;
  scores::frm_visualiser viewer{sys, store};
  std::vector<std::string> questions;
  std::string shown;  // the grid while the question was asked
};

class SharedTableTransfer : public TableTransfer,
                            public ::testing::WithParamInterface<std::string> {};

// The tables of tests/tables as another installation wrote them: NAME.recorded shows as
// NAME.grid, both while asked and once it is the table.
TEST_P(SharedTableTransfer, ComeBackByteForByteAndShowAsTheirGrid) {
  open(test::table({900, 500}));
  for (const char* kind : {".table", ".recorded"}) {
    const std::string file = test::shared_table(GetParam() + kind);
    EXPECT_EQ(import(file, true), "");
    EXPECT_TRUE(bytes() == file) << kind;
    EXPECT_TRUE(scores::export_table(store) == file) << kind;
  }
  const std::string expected = test::shared_table(GetParam() + ".grid");
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(grid(), expected);
  EXPECT_EQ(questions, std::vector<std::string>(2, scores::kReplaceQuestion));
  EXPECT_TRUE(viewer.Timer1.enabled());
}

INSTANTIATE_TEST_SUITE_P(Tables, SharedTableTransfer,
                         ::testing::ValuesIn(test::shared_table_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

TEST_F(TableTransfer, NothingStoredExportsNothing) {
  EXPECT_EQ(scores::export_table(store), "");
  EXPECT_FALSE(test::is_stored(path()));
}

// Written by another program: 64 KiB, the most a table may be, a damaged comment length,
// undefined bytes, a 31st slot. Shown as the file reads, stored as it came.
TEST_F(TableTransfer, OddBytesAreShownAsReadAndKeptAsTheyCame) {
  open(test::table({900}));
  std::string file = slot("\x81\x8D\x8F\x90\x9D", 700, "abc");
  file[32] = file[33] = '\xFF';
  for (int place = 2; place <= 31; ++place) file += slot("P" + std::to_string(place), 10, "c");
  file.resize(scores::kTableLimit, '\xAA');
  EXPECT_EQ(import(file, true), "");
  EXPECT_TRUE(bytes() == file);
  EXPECT_TRUE(scores::export_table(store) == file);
  EXPECT_EQ(viewer.Grd_livre.text(1, 1), "\u0081\u008D\u008F\u0090\u009D" + std::string(25, ' '));
  EXPECT_EQ(viewer.Grd_livre.text(1, 3), "abc" + std::string(91, '\0')) << "94 bytes read";
  EXPECT_EQ(viewer.Grd_livre.text(30, 1), "P30" + std::string(27, ' ')) << "30 places shown";
  EXPECT_EQ(shown, grid());
}

TEST_F(TableTransfer, AFileOverSixtyFourKibIsRefusedBeforeAnything) {
  const std::string stored = test::table({900, 500});
  open(stored);
  const std::string before = grid();
  const std::string refusal = import(std::string(scores::kTableLimit + 1, '\0'), true);
  EXPECT_TRUE(test::contains(refusal, "65537 octets")) << refusal;
  EXPECT_TRUE(test::contains(refusal, "64 Kio")) << refusal;
  EXPECT_TRUE(test::contains(refusal, "n'a pas été modifié")) << refusal;
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(bytes(), stored);
  EXPECT_EQ(grid(), before);
  EXPECT_TRUE(viewer.Timer1.enabled());
}

// Declined, the grid shows the stored table again, here none, and the refresh goes on.
TEST_F(TableTransfer, AnsweringAnnulerChangesNothing) {
  sys.show(viewer);
  const std::string before = grid();
  EXPECT_EQ(import(test::shared_table("worked_example.recorded"), false), "");
  EXPECT_EQ(shown, test::shared_table("worked_example.grid"));
  EXPECT_FALSE(test::is_stored(path()));
  EXPECT_EQ(grid(), before);
  test::write_bytes(path(), test::table({1000}));
  sys.advance(2000);
  EXPECT_EQ(viewer.Grd_livre.text(1, 2), "1000");
}

// An empty file is the table of an installation where nobody scored yet; the rows it has no
// record for are blank, not the old table's.
TEST_F(TableTransfer, AnEmptyFileEmptiesTheTable) {
  open(test::table({900, 500}));
  EXPECT_EQ(import("", true), "");
  EXPECT_TRUE(test::is_stored(path()));
  EXPECT_EQ(bytes(), "");
  for (int row = 1; row <= 30; ++row) {
    for (int col = 1; col <= 3; ++col) EXPECT_EQ(viewer.Grd_livre.text(row, col), "");
  }
  EXPECT_EQ(shown, grid());
}

// The lock refused (another program rewriting) or the replacement: the table stays whole.
TEST_F(TableTransfer, AStoreThatRefusesKeepsTheTableAndShowsItAgain) {
  const std::string stored = test::table({900, 500});
  const std::string file = test::shared_table("worked_example.table");
  for (const test::Step step : {test::Step::lock, test::Step::replace}) {
    scores::NativeFileSystem failing = test::failing_files(step, test::Failure::disk_full);
    scores::ScoreStore refusing{failing, path()};
    ui::HeadlessSystem system;
    scores::frm_visualiser on_refusing{system, refusing};
    test::write_bytes(path(), stored);
    system.show(on_refusing);
    const std::string before = test::grid_rows(on_refusing.Grd_livre);
    const std::string refusal = test::refusal_of([&] {
      scores::import_table(on_refusing, refusing, file, file.size(),
                           [](const std::string&) { return true; });
    });
    EXPECT_TRUE(test::contains(refusal, path().string())) << test::name_of(step) << refusal;
    EXPECT_EQ(bytes(), stored) << test::name_of(step);
    EXPECT_EQ(test::grid_rows(on_refusing.Grd_livre), before) << test::name_of(step);
    EXPECT_TRUE(on_refusing.Timer1.enabled()) << test::name_of(step);
  }
}

}  // namespace
