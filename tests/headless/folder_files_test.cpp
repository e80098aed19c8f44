#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "recording_fixture.h"
#include "scores/frm_visualiser.h"
#include "scores/score_file.h"
#include "ui/runtime_error.h"

using namespace Module1;
using test::slot;

// What only a table in a folder of a disk meets, on every desktop system: a folder at its path
// or above it, the permissions of a new file, temporaries beside it. A browser's store has none.
namespace {

using OnADisk = test::ScoreFileTest;

TEST_F(OnADisk, ADirectoryAtThePathIsAClearError) {
  test::fs::create_directory(path());
  scores::ScoreFile file(store);
  try {
    file.open_for_reading();
    FAIL() << "no error";
  } catch (const ui::RuntimeError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("c'est un dossier"), std::string::npos) << message;
    EXPECT_NE(message.find(path().string()), std::string::npos) << message;
  }
}

TEST_F(OnADisk, AMissingFolderOrAFileAsAFolderCannotBeWritten) {
  scores::ScoreStore lost(files, folder.path() / "nowhere" / "scores klimbor");
  scores::ScoreFile file(lost);
  file.open_for_reading();
  EXPECT_TRUE(file.at_end());
  try {
    lost.rewrite([](scores::ScoreTable& table) { table.write(1, score_rec); });
    FAIL() << "no error";
  } catch (const ui::RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("le dossier n'existe pas"), std::string::npos) << e.what();
  }
  test::write_bytes(folder.path() / "a file", "");
  scores::ScoreStore astray(files, folder.path() / "a file" / "scores klimbor");
  try {
    astray.rewrite([](scores::ScoreTable& table) { table.write(1, score_rec); });
    FAIL() << "no error";
  } catch (const ui::RuntimeError& e) {
#ifdef _WIN32
    const char* reason = "le dossier n'existe pas";  // Windows tells no more
#else
    const char* reason = "n'est pas un dossier";
#endif
    EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
  }
}

TEST_F(OnADisk, AViewerReportsADirectoryAtThePathOnceAndReadsTheMendedPathLater) {
  ui::HeadlessSystem sys;
  scores::frm_visualiser viewer(sys, store);
  test::fs::create_directory(path());
  sys.show(viewer);
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_NE(sys.errors[0].find("c'est un dossier"), std::string::npos);
  EXPECT_TRUE(viewer.Visible);
  EXPECT_EQ(viewer.Grd_livre.text(0, 1), "Pseudos ") << "the steps before the failure stay";
  sys.advance(4000);
  EXPECT_EQ(sys.errors.size(), 1u) << "told once, not every two seconds";
  test::fs::remove(path());
  test::write_bytes(path(), test::table({77}) + slot("Extra", 31));  // longer than the table
  sys.advance(2000);
  EXPECT_EQ(viewer.Grd_livre.text(1, 2), "77");
  test::fs::remove(path());
  test::fs::create_directory(path());
  sys.advance(4000);
  EXPECT_EQ(sys.errors.size(), 2u) << "broken anew after it was mended: told again";
  EXPECT_EQ(viewer.Grd_livre.text(1, 2), "77") << "the quiet refreshes leave the grid as it was";
}

using RecordingOnADisk = test::Recording;

TEST_F(RecordingOnADisk, ANewTableGetsThePermissionsOfAnyNewFile) {
  validate(600);
  const mode_t umask_now = ::umask(0);
  ::umask(umask_now);
  EXPECT_EQ(static_cast<mode_t>(test::fs::status(path()).permissions()), 0666 & ~umask_now);
}

TEST_F(RecordingOnADisk, AKilledRewritesTemporaryIsRemovedByTheNextRecording) {
  test::write_bytes(path(), test::table({900}));
  test::write_bytes(folder.path() / ".scores klimbor.tmp.4242", "half a tab");
  test::write_bytes(folder.path() / "notes.scores klimbor.tmp.1", "not the game's");
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_FALSE(test::fs::exists(folder.path() / ".scores klimbor.tmp.4242"));
  EXPECT_TRUE(test::fs::exists(folder.path() / "notes.scores klimbor.tmp.1"))
      << "only the game's own temporaries are removed";
}

}  // namespace
