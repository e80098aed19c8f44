#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>

#include "klimbor_fixture.h"
#include "score_support.h"
#include "scores/frm_visualiser.h"
#include "scores/score_recording.h"

using namespace Module1;

namespace {

enum class Step {
  read,
  lock,
  create_temporary,
  write,
  partial_write,
  write_nothing,
  flush,
  close,
  rename,
  none
};

// Fails one step of a rewrite with the given error, as a full disk or a broken drive would.
class FailingCalls : public scores::PosixCalls {
 public:
  FailingCalls(Step step, int error) : step_(step), error_(error) {}

  int open(const char* path, int flags, mode_t mode) override {
    const bool temporary = (flags & O_CREAT) && (flags & O_EXCL);
    if (step_ == Step::create_temporary && temporary) return fail();
    const int fd = PosixCalls::open(path, flags, mode);
    if (temporary) temporary_ = fd;
    return fd;
  }
  int lock(int fd, int command, struct flock* region) override {
    return step_ == Step::lock ? fail() : PosixCalls::lock(fd, command, region);
  }
  ssize_t read(int fd, void* buffer, std::size_t count) override {
    return step_ == Step::read ? fail() : PosixCalls::read(fd, buffer, count);
  }
  ssize_t write(int fd, const void* buffer, std::size_t count) override {
    if (step_ == Step::write) return fail();
    if (step_ == Step::write_nothing) return 0;  // a full disk, as some file systems tell it
    if (step_ == Step::partial_write) {
      if (writes_++ > 0) return fail();
      return PosixCalls::write(fd, buffer, count / 2);
    }
    return PosixCalls::write(fd, buffer, count);
  }
  int fsync(int fd) override { return step_ == Step::flush ? fail() : PosixCalls::fsync(fd); }
  // Some file systems report a failed write only when the file is closed.
  int close(int fd) override {
    const int result = PosixCalls::close(fd);
    return step_ == Step::close && fd == temporary_ ? fail() : result;
  }
  int rename(const char* from, const char* to) override {
    return step_ == Step::rename ? fail() : PosixCalls::rename(from, to);
  }

 private:
  int fail() {
    errno = error_;
    return -1;
  }
  Step step_;
  int error_;
  int writes_ = 0;
  int temporary_ = -1;
};

class FailedRewrite : public test::ScoreFileTest, public ::testing::WithParamInterface<Step> {
 protected:
  void record_600_with_failing(Step step, int error) {
    scores::PosixFileSystem failing(std::make_unique<FailingCalls>(step, error));
    scores::ScoreStore failing_store(failing, path());
    ui::HeadlessSystem sys;
    scores::ScoreRecording recording(sys, failing_store);
    game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
    sys.show(game);
    sys.advance(3000);
    score = 600;
    sys.answers = {"Zoé", "x"};
    game.ok_Click();
    sys.advance(63);
    errors = sys.errors;
    messages = sys.messages;
    game_visible = game.Visible;
  }

  std::vector<std::string> errors, messages;
  bool game_visible = false;
  int descriptors_before = test::open_descriptors();
};

TEST_P(FailedRewrite, LeavesTheTableByteForByteAndSaysSo) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  record_600_with_failing(GetParam(), ENOSPC);
  EXPECT_TRUE(bytes() == before) << "the table changed";
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("le disque est plein"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find(path().string()), std::string::npos) << errors[0];
  EXPECT_TRUE(messages.empty()) << "no place is announced for a score not stored";
  EXPECT_TRUE(game_visible) << "the player can choose Valider again";
  EXPECT_EQ(test::open_descriptors(), descriptors_before) << "a file left open";
  for (const auto& entry : test::fs::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "scores klimbor" || name == ".scores klimbor.lock") << name << " left";
  }
}

const char* name_of(Step step) {
  const char* names[] = {"Read",         "Lock",  "CreateTemporary", "Write", "PartialWrite",
                         "WriteNothing", "Flush", "Close",           "Rename"};
  return names[static_cast<int>(step)];
}

void PrintTo(Step step, std::ostream* os) {
  *os << name_of(step);
}

std::string step_name(const ::testing::TestParamInfo<Step>& info) {
  return name_of(info.param);
}

INSTANTIATE_TEST_SUITE_P(AtEveryStep, FailedRewrite,
                         ::testing::Values(Step::read, Step::lock, Step::create_temporary,
                                           Step::write, Step::partial_write, Step::write_nothing,
                                           Step::flush, Step::close, Step::rename),
                         step_name);

TEST_F(FailedRewrite, AnUnwritableFolderIsReportedAsRefused) {
  test::write_bytes(path(), test::table({900}));
  record_600_with_failing(Step::create_temporary, EACCES);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("accès refusé"), std::string::npos) << errors[0];
}

TEST_F(FailedRewrite, ValiderAgainAfterAFailureStoresTheScore) {
  test::write_bytes(path(), test::table({900}));
  ui::HeadlessSystem sys;
  auto failing =
      std::make_unique<scores::PosixFileSystem>(std::make_unique<FailingCalls>(Step::rename, EIO));
  scores::ScoreStore failing_store(*failing, path());
  scores::ScoreRecording broken(sys, failing_store);
  scores::ScoreRecording working(sys, store);
  bool disk_back = false;
  game::Klimbor game(sys,
                     [&](game::Klimbor& g) { (disk_back ? working : broken).record(g, g.Timer1); });
  sys.show(game);
  sys.advance(3000);
  score = 600;
  sys.answers = {"A", "", "A", ""};
  game.ok_Click();
  sys.advance(63);
  ASSERT_EQ(sys.errors.size(), 1u);
  EXPECT_NE(sys.errors[0].find("erreur d'entrée-sortie"), std::string::npos);
  disk_back = true;
  game.ok_Click();
  sys.advance(63);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  EXPECT_FALSE(game.Visible);
}

TEST_F(FailedRewrite, TemporariesLeftByAKilledGameGoAtTheNextRecording) {
  test::write_bytes(path(), test::table({900}));
  const auto stale = folder.path() / ".scores klimbor.tmp.99999";
  const auto other = folder.path() / "notes.scores klimbor.tmp.1";
  test::write_bytes(stale, "half a table");
  test::write_bytes(other, "not ours");
  record_600_with_failing(Step::none, 0);
  EXPECT_FALSE(test::fs::exists(stale));
  EXPECT_TRUE(test::fs::exists(other)) << "only the game's own temporaries are removed";
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
}

// A system that hands data over in small pieces and interrupts every other call, as a signal
// arriving during the calls would.
class TricklingCalls : public scores::PosixCalls {
 public:
  ssize_t read(int fd, void* buffer, std::size_t count) override {
    if (interrupted()) return -1;
    return PosixCalls::read(fd, buffer, std::min<std::size_t>(count, 100));
  }
  ssize_t write(int fd, const void* buffer, std::size_t count) override {
    if (interrupted()) return -1;
    return PosixCalls::write(fd, buffer, std::min<std::size_t>(count, 100));
  }
  int lock(int fd, int command, struct flock* region) override {
    return interrupted() ? -1 : PosixCalls::lock(fd, command, region);
  }

 private:
  bool interrupted() {
    if (!(calls_++ % 2)) return false;
    errno = EINTR;
    return true;
  }
  int calls_ = 0;
};

TEST_F(FailedRewrite, PiecemealAndInterruptedCallsStillGiveTheWholeTable) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  files = scores::PosixFileSystem(std::make_unique<TricklingCalls>());
  ui::HeadlessSystem sys;
  scores::ScoreRecording recording(sys, store);
  game::Klimbor game(sys, [](game::Klimbor&) {});
  score = 600;
  sys.answers = {"A", ""};
  recording.record(game, game.Timer1);
  EXPECT_TRUE(sys.errors.empty()) << sys.errors.front();
  const std::string after = bytes();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 128), before.substr(0, 128));
  EXPECT_EQ(after.substr(256, 128 * 2), before.substr(128, 128 * 2)) << "moved down whole";
  EXPECT_EQ(recording.viewer()->Grd_livre.text(3, 2), "500") << "the viewer read it whole too";
}

// Looks at the file through the viewer right before and right after the rename.
class PeekingCalls : public scores::PosixCalls {
 public:
  explicit PeekingCalls(std::function<void(bool renamed)> peek) : peek_(std::move(peek)) {}
  int rename(const char* from, const char* to) override {
    peek_(false);
    const int result = PosixCalls::rename(from, to);
    peek_(true);
    return result;
  }

 private:
  std::function<void(bool)> peek_;
};

TEST_F(FailedRewrite, AViewerReadingDuringARecordingSeesTheOldTableOrTheNew) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  ui::HeadlessSystem viewer_sys;
  scores::frm_visualiser viewer(viewer_sys, store);
  viewer_sys.show(viewer);
  std::vector<std::string> seen;
  scores::PosixFileSystem peeking(std::make_unique<PeekingCalls>([&](bool) {
    viewer.Timer1_Timer();
    seen.push_back(viewer.Grd_livre.text(2, 2) + "," + viewer.Grd_livre.text(3, 2));
  }));
  scores::ScoreStore peeking_store(peeking, path());
  ui::HeadlessSystem sys;
  scores::ScoreRecording recording(sys, peeking_store);
  game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
  score = 600;
  sys.answers = {"A", ""};
  recording.record(game, game.Timer1);
  EXPECT_EQ(seen, (std::vector<std::string>{"500,100", "600,500"}));
  EXPECT_TRUE(sys.errors.empty());
}

}  // namespace
