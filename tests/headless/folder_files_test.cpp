#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

#include "failing_files.h"
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

test::fs::path temporary_of(const test::fs::path& folder, const std::string& process) {
  return folder / (".scores klimbor.tmp." + process);
}

// Left by a game killed in the middle of its rewrite: its process number, far beyond those
// that Linux or Windows hand out, names no process.
TEST_F(RecordingOnADisk, AKilledRewritesTemporaryIsRemovedByTheNextRecording) {
  test::write_bytes(path(), test::table({900}));
  test::write_bytes(temporary_of(folder.path(), "99999999"), "half a tab");
  test::write_bytes(folder.path() / "notes.scores klimbor.tmp.1", "not the game's");
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "99999999")));
  EXPECT_TRUE(test::fs::exists(folder.path() / "notes.scores klimbor.tmp.1"))
      << "only the game's own temporaries are removed";
}

// A temporary whose process is alive may be written at this very moment, by a game that could
// not take the lock: the lock's sweep leaves it to its writer. This process is alive.
TEST_F(OnADisk, TheSweepLeavesTheTemporaryOfAProcessStillAliveToIt) {
#ifdef _WIN32
  const std::string self = std::to_string(::GetCurrentProcessId());
#else
  const std::string self = std::to_string(::getpid());
#endif
  test::write_bytes(temporary_of(folder.path(), self), "being written");
  test::write_bytes(temporary_of(folder.path(), "99999999"), "half a tab");
  {
    const auto held = files.lock(path());
    ASSERT_NE(held, nullptr);
  }
  EXPECT_TRUE(test::fs::exists(temporary_of(folder.path(), self)));
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "99999999")));
}

// The same through the seam: which processes are alive is the test's to say.
TEST_F(OnADisk, TheSweepRemovesOnlyTheTemporariesOfProcessesThatAreGone) {
  for (const char* process :
       {"41", "42", "43", "40", "2147483647", "0", "x42", "42x", "2147483648", "99999999999"})
    test::write_bytes(temporary_of(folder.path(), process), "x");
  std::vector<unsigned long> asked;
  files = test::files_seeing_alive([&](unsigned long process) {
    asked.push_back(process);
    return process == 42;
  });
  const int descriptors = test::open_descriptors();
  { const auto held = files.lock(path()); }
  EXPECT_EQ(test::open_descriptors(), descriptors) << "a file or a process left open";
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "41")));
  EXPECT_TRUE(test::fs::exists(temporary_of(folder.path(), "42")));
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "43")));
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "40")));
  EXPECT_FALSE(test::fs::exists(temporary_of(folder.path(), "2147483647")));
  std::sort(asked.begin(), asked.end());
  asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
  EXPECT_EQ(asked, (std::vector<unsigned long>{40, 41, 42, 43, 2147483647}));
  // Process numbers are ints on Linux, and Windows hands out none so large.
  for (const char* process : {"0", "x42", "42x", "2147483648", "99999999999"})
    EXPECT_TRUE(test::fs::exists(temporary_of(folder.path(), process)))
        << "\"" << process << "\" is no process number: no temporary of the game's";
}

// Its rename then fails for want of the temporary, in a folder that is there: said as such.
TEST_F(RecordingOnADisk, ATemporaryRemovedByAnotherProgramIsSaidSoAndTheTableLeftAsItWas) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  files = test::files_losing_the_temporary();
  validate(600);
  expect_refused_untouched("a été effacé par un autre programme avant de remplacer le tableau");
  EXPECT_TRUE(test::contains(sys.errors[0], "« " + folder.path().string())) << sys.errors[0];
  EXPECT_TRUE(test::contains(sys.errors[0], ".scores klimbor.tmp.")) << sys.errors[0];
  EXPECT_FALSE(test::contains(sys.errors[0], "le dossier n'existe pas")) << sys.errors[0];
  EXPECT_TRUE(bytes() == before) << "the table changed";
}

}  // namespace
