#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>

#include "recording_fixture.h"
#include "scores/frm_visualiser.h"

using namespace Module1;
using test::contains;

namespace {

namespace fs = std::filesystem;

// Root ignores permissions: run as root, the test acts as "nobody" meanwhile, the way a player
// meets the protection of a file. The folder becomes nobody's, as a home folder is its user's.
class Unprivileged {
 public:
  explicit Unprivileged(const fs::path& folder, gid_t also_in_group = 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) return;
    const gid_t groups[] = {nobody->pw_gid, also_in_group};
    active_ = ::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) == 0 &&
              ::setgroups(also_in_group != 0 ? 2 : 1, groups) == 0 &&
              ::setegid(nobody->pw_gid) == 0 && ::seteuid(nobody->pw_uid) == 0;
  }
  ~Unprivileged() {
    if (active_ && (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(0, nullptr) != 0))
      std::abort();
  }
  Unprivileged(const Unprivileged&) = delete;
  Unprivileged& operator=(const Unprivileged&) = delete;

 private:
  bool active_ = false;
};

// A kernel older than open-file-description locks: it knows only the classic POSIX ones.
class ClassicLocksOnly : public scores::PosixCalls {
 public:
  int lock(int fd, int command, struct flock* region) override {
    if (command == F_OFD_SETLK) {
      errno = EINVAL;
      return -1;
    }
    return PosixCalls::lock(fd, command, region);
  }
};

// Every lock refused with one error, as a file system without locks or an NFS server does.
class RefusedLocks : public scores::PosixCalls {
 public:
  explicit RefusedLocks(int error) : error_(error) {}
  int lock(int, int, struct flock*) override {
    errno = error_;
    return -1;
  }

 private:
  int error_;
};

// The table on the file systems and the files that players really have.
class RealFiles : public test::Recording {
 protected:
  void use_locks_refused_with(int error) {
    files = scores::PosixFileSystem(std::make_unique<RefusedLocks>(error));
  }
};

TEST_F(RealFiles, AFifoAtThePathIsRefusedAtOnceByTheGameAndTheViewer) {
  ASSERT_EQ(::mkfifo(path().c_str(), 0644), 0);
  validate(600);  // would wait forever for a writer if the FIFO were opened for reading
  expect_refused_untouched("c'est un tube nommé");
  EXPECT_FALSE(asked());

  ui::HeadlessSystem viewer_sys;
  scores::frm_visualiser viewer(viewer_sys, store);
  viewer_sys.show(viewer);
  EXPECT_TRUE(viewer.Visible);
  EXPECT_EQ(viewer.Grd_livre.text(30, 0), "30:");
  viewer_sys.advance(6000);
  EXPECT_EQ(viewer_sys.errors.size(), 1u) << "told once, not at every refresh";
  fs::remove(path());
  test::write_bytes(path(), test::table({42}));
  viewer_sys.advance(2000);
  EXPECT_EQ(viewer.Grd_livre.text(1, 2), "42") << "the mended path is read at the next refresh";
}

// Says every path is a regular file: a FIFO put at the path between the look and the open.
class SwappedAfterTheLook : public scores::PosixCalls {
 public:
  int stat(const char* path, struct stat* info) override {
    const int result = PosixCalls::stat(path, info);
    info->st_mode = S_IFREG | 0644;
    return result;
  }
};

TEST_F(RealFiles, AFifoPutAtThePathJustBeforeItIsOpenedIsRefusedToo) {
  ASSERT_EQ(::mkfifo(path().c_str(), 0644), 0);
  files = scores::PosixFileSystem(std::make_unique<SwappedAfterTheLook>());
  const std::string refusal = test::reading_refusal(store);
  EXPECT_TRUE(contains(refusal, "c'est un tube nommé")) << refusal;
}

TEST_F(RealFiles, ASocketOrADeviceAtThePathIsRefusedToo) {
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path().c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string refusal = test::reading_refusal(store);
  EXPECT_TRUE(contains(refusal, "c'est une socket")) << refusal;
  ::close(s);
  fs::remove(path());

  fs::create_symlink("/dev/null", path());
  validate(600);
  expect_refused_untouched("c'est un périphérique");
}

TEST_F(RealFiles, AReadOnlyTableIsRefusedLeftByteForByteAndRecordedOnceWritable) {
  const std::string before = test::table({900, 500, 100});
  const Unprivileged as_a_player(folder.path());
  test::write_bytes(path(), before);
  fs::permissions(path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  validate(600);
  expect_refused_untouched("accès refusé");
  EXPECT_TRUE(bytes() == before) << "the table changed";

  fs::permissions(path(), fs::perms::none);
  sys.errors.clear();
  validate(600);
  expect_refused_untouched("accès refusé");  // not even readable

  fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write);
  sys.errors.clear();
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
}

TEST_F(RealFiles, ASymbolicLinkStaysALinkAndItsTargetIsReplacedWithItsMode) {
  fs::create_directory(folder.path() / "synced");
  const fs::path target = folder.path() / "synced" / "klimbor.dat";
  test::write_bytes(target, test::table({900, 500, 100}));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("synced/klimbor.dat", path());
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_TRUE(fs::is_symlink(path()));
  EXPECT_EQ(fs::read_symlink(path()), "synced/klimbor.dat");
  EXPECT_EQ(test::scores_of(test::read_bytes(target))[1], 600);
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// "lnk/../data/table" with lnk a link to a folder elsewhere: the kernel goes through lnk first,
// so ".." is the folder above where lnk leads, and that table is the one the viewer reads.
TEST_F(RealFiles, ALinkThroughALinkedFolderAndDotDotReplacesTheTableTheKernelReads) {
  const fs::path elsewhere = folder.path() / "elsewhere";
  fs::create_directories(elsewhere / "deep");
  fs::create_directories(elsewhere / "data");
  fs::create_directory(folder.path() / "data");
  const fs::path read = elsewhere / "data" / "table";
  const fs::path decoy = folder.path() / "data" / "table";
  test::write_bytes(read, test::table({900, 500, 100}));
  test::write_bytes(decoy, test::table({50}));
  fs::create_directory_symlink(elsewhere / "deep", folder.path() / "lnk");
  fs::create_symlink("lnk/../data/table", path());
  ASSERT_EQ(test::scores_of(bytes())[1], 500) << "the kernel reads the table elsewhere";

  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(test::read_bytes(read))[1], 600);
  EXPECT_EQ(test::read_bytes(decoy), test::table({50})) << "the file beside the link was rewritten";
  EXPECT_TRUE(fs::is_symlink(path()));
  EXPECT_EQ(recording.viewer()->Grd_livre.text(2, 2), "600") << "the viewer reads what was written";
  EXPECT_TRUE(fs::exists(elsewhere / "data" / ".table.lock")) << "the lock lies beside it too";
}

TEST_F(RealFiles, OwnerAndGroupAreKeptWhereAllowed) {
  const passwd* nobody = ::getpwnam("nobody");
  const group* users = ::getgrnam("users");
  if (::geteuid() != 0 || nobody == nullptr || users == nullptr)
    GTEST_SKIP() << "needs root, the user nobody and the group users to give files away";
  // Root keeps the player's file the player's.
  test::write_bytes(path(), test::table({900}));
  ASSERT_EQ(::chown(path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  validate(600);
  struct stat info {};
  ::stat(path().c_str(), &info);
  EXPECT_EQ(info.st_uid, nobody->pw_uid);
  EXPECT_EQ(info.st_gid, nobody->pw_gid);
  // A table shared through a group stays the group's when another member records.
  ASSERT_EQ(::chown(path().c_str(), 0, users->gr_gid), 0);
  ASSERT_EQ(::chmod(path().c_str(), 0664), 0);
  {
    const Unprivileged member_of_users(folder.path(), users->gr_gid);
    sys.show(game);
    validate(700);
  }
  ::stat(path().c_str(), &info);
  EXPECT_EQ(info.st_gid, users->gr_gid);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  EXPECT_EQ(test::scores_of(bytes())[1], 700) << "recorded although root's lock file is not ours";
}

// A system that reads in pieces, writes byte by byte and interrupts every other call, as a signal
// arriving during the calls would.
class TricklingCalls : public scores::PosixCalls {
 public:
  ssize_t read(int fd, void* buffer, std::size_t count) override {
    if (interrupted()) return -1;
    return PosixCalls::read(fd, buffer, std::min<std::size_t>(count, 100));
  }
  ssize_t write(int fd, const void* buffer, std::size_t count) override {
    if (interrupted()) return -1;
    return PosixCalls::write(fd, buffer, std::min<std::size_t>(count, 1));
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

TEST_F(RealFiles, PiecemealAndInterruptedCallsStillGiveTheWholeTable) {
  files = scores::PosixFileSystem(std::make_unique<TricklingCalls>());
  expect_second_place_recorded_whole();
}

class WithoutLocks : public RealFiles, public ::testing::WithParamInterface<int> {};

TEST_P(WithoutLocks, AScoreIsStillRecorded) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  // Left by a killed game whose process number this one has now; unlocked, nobody clears it.
  test::write_bytes(folder.path() / (".scores klimbor.tmp." + std::to_string(::getpid())), "x");
  use_locks_refused_with(GetParam());
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
}

// No lock service, locks the file system does not do, and the refusal of NFS for a lock on a
// file not open for writing.
INSTANTIATE_TEST_SUITE_P(RefusedWith, WithoutLocks,
                         ::testing::Values(ENOLCK, EOPNOTSUPP, ENOSYS, EINVAL, EBADF));

namespace {

// Who holds the lock file beside the table, as another program sees it. Asked from a child
// process: any close of the file in this one would drop a classic lock this process holds.
enum class Holder { nobody, an_open_file, this_process, unknown };

void PrintTo(Holder holder, std::ostream* out) {
  constexpr const char* kNames[] = {"nobody", "an open file", "this process", "unknown"};
  *out << kNames[static_cast<int>(holder)];
}

Holder lock_holder(const fs::path& table) {
  const std::string lock_file = table.parent_path() / ".scores klimbor.lock";
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(lock_file.c_str(), O_RDONLY);
    struct flock region {};
    region.l_type = F_WRLCK;
    region.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_GETLK, &region) != 0) ::_exit(3);
    if (region.l_type == F_UNLCK) ::_exit(0);
    // An open-file-description lock has no process of its own.
    ::_exit(region.l_pid == -1 ? 1 : region.l_pid == ::getppid() ? 2 : 3);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return Holder::unknown;
  return static_cast<Holder>(WEXITSTATUS(status));
}

}  // namespace

class Locking : public RealFiles, public ::testing::WithParamInterface<bool> {};

TEST_P(Locking, WhileAGameRewritesTheTableNoOtherCanLockIt) {
  if (GetParam()) files = scores::PosixFileSystem(std::make_unique<ClassicLocksOnly>());
  Holder meanwhile = Holder::unknown;
  store.rewrite([&](scores::ScoreTable& table) {
    meanwhile = lock_holder(path());
    table.write(1, score_rec);
  });
  EXPECT_EQ(meanwhile, GetParam() ? Holder::this_process : Holder::an_open_file);
  EXPECT_EQ(lock_holder(path()), Holder::nobody) << "released once the table is replaced";
  const mode_t umask_now = ::umask(0);
  ::umask(umask_now);
  EXPECT_EQ(static_cast<mode_t>(fs::status(folder.path() / ".scores klimbor.lock").permissions()),
            0666 & ~umask_now)
      << "with no table yet, the lock file gets the permissions that the new table gets";
  EXPECT_EQ(bytes().size(), 128u);
}

INSTANTIATE_TEST_SUITE_P(Kernels, Locking, ::testing::Bool(), [](const auto& info) {
  return info.param ? "WithClassicLocksOnly" : "WithOpenFileLocks";
});

// Counts the pauses between tries of a held lock instead of sleeping them.
class CountedPauses : public scores::PosixCalls {
 public:
  explicit CountedPauses(int& paused) : paused_(paused) {}
  void sleep(int milliseconds) override { paused_ += milliseconds; }

 private:
  int& paused_;
};

// Another program holding the lock: a game stopped in the middle of its rewrite, a network lock
// service that hangs. An open-file-description lock of the test's own conflicts as theirs would.
TEST_F(RealFiles, ALockHeldByAnotherProgramIsGivenUpAfterThreeSecondsThenValiderRecords) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  int paused = 0;
  files = scores::PosixFileSystem(std::make_unique<CountedPauses>(paused));
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  const int holder = ::open(lock_file.c_str(), O_RDWR | O_CREAT, 0666);
  struct flock region {};
  region.l_type = F_RDLCK;  // even a reader's lock keeps a rewrite out
  ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &region), 0);

  validate(600);
  expect_refused_untouched("un autre programme est en train d'écrire le tableau");
  EXPECT_TRUE(contains(sys.errors[0], "« " + lock_file.string() + " » depuis plus de 3 secondes"))
      << sys.errors[0];
  EXPECT_EQ(paused, 3000) << "tried for three seconds, no less, no longer";
  EXPECT_TRUE(bytes() == before) << "the table changed";

  ::close(holder);
  sys.errors.clear();
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(paused, 3000) << "a free lock is taken at once";
}

TEST_F(RealFiles, ALockFileThatCannotBeOpenedIsReported) {
  fs::create_directory(folder.path() / ".scores klimbor.lock");
  validate(600);
  expect_refused_untouched("c'est un dossier");
}

// The umask of the player who makes the lock file does not decide who may take it: the lock file
// takes the table's permissions and group (its owner keeping read and write), and a lock file
// of the player's own that is narrower than the table is widened.
TEST_F(RealFiles, TheLockFileTakesTheTablesPermissionsAndGroupWhateverTheUmask) {
  const group* users = ::getgrnam("users");
  if (::geteuid() != 0 || users == nullptr) GTEST_SKIP() << "needs root and the group users";
  test::write_bytes(path(), test::table({900}));
  ASSERT_EQ(::chown(path().c_str(), 0, users->gr_gid), 0);
  ASSERT_EQ(::chmod(path().c_str(), 0664), 0);
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  const mode_t saved = ::umask(077);
  struct stat info {};
  {
    const auto held = files.lock(path());
    ::stat(lock_file.c_str(), &info);
  }
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  EXPECT_EQ(info.st_gid, users->gr_gid);
  ASSERT_EQ(::chmod(path().c_str(), 0446),
            0);  // odd, but the lock file's owner may always write it
  ASSERT_EQ(::chmod(lock_file.c_str(), 0600), 0);
  { const auto held = files.lock(path()); }
  ::stat(lock_file.c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0646u);
  ::umask(saved);
}

// Points the link at the path elsewhere right after the lock is taken, as another program may
// between two steps of a rewrite.
class RetargetedAfterTheLock : public scores::PosixCalls {
 public:
  RetargetedAfterTheLock(fs::path link, fs::path target)
      : link_(std::move(link)), target_(std::move(target)) {}
  int lock(int fd, int command, struct flock* region) override {
    const int result = PosixCalls::lock(fd, command, region);
    if (result == 0 && !done_) {
      fs::remove(link_);
      fs::create_symlink(target_, link_);
      done_ = true;
    }
    return result;
  }

 private:
  fs::path link_, target_;
  bool done_ = false;
};

TEST_F(RealFiles, ALinkPointedElsewhereDuringARewriteChangesNothingOfIt) {
  const fs::path first = folder.path() / "first";
  const fs::path second = folder.path() / "second";
  test::write_bytes(first, test::table({900, 500, 100}));
  test::write_bytes(second, test::table({50}));
  fs::create_symlink("first", path());
  files = scores::PosixFileSystem(std::make_unique<RetargetedAfterTheLock>(path(), "second"));
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(test::read_bytes(first)),
            test::scores_of(test::table({900, 600, 500, 100})))
      << "the file locked and read is the file replaced";
  EXPECT_TRUE(test::read_bytes(second) == test::table({50})) << "written without its lock";
  EXPECT_EQ(fs::read_symlink(path()), "second") << "the link is the other program's to change";
  EXPECT_FALSE(fs::exists(folder.path() / ".second.lock"));
}

// A temporary's process asked of the system: this process, alive; a process of another user,
// whom a player may not signal, alive too; a process that has ended, gone.
TEST_F(RealFiles, TheSweepAsksTheSystemWhetherEachTemporarysProcessIsAlive) {
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t another = ::fork();
  if (another == 0) {
    char byte = 0;
    ::close(done[1]);
    if (::geteuid() == 0 &&
        (::setresgid(64101, 64101, 64101) != 0 || ::setresuid(64101, 64101, 64101) != 0))
      ::_exit(1);
    if (::write(ready[1], "r", 1) != 1 || ::read(done[0], &byte, 1) < 0) ::_exit(1);
    ::_exit(0);
  }
  ASSERT_GT(another, 0);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  const auto temporary = [&](pid_t process) {
    return folder.path() / (".scores klimbor.tmp." + std::to_string(process));
  };
  test::write_bytes(path(), test::table({900}));
  for (const pid_t process : {::getpid(), another, ended})
    test::write_bytes(temporary(process), "x");
  {
    const Unprivileged as_a_player(folder.path());
    const auto held = files.lock(path());
    ASSERT_NE(held, nullptr);
  }
  ::close(done[1]);
  ::waitpid(another, nullptr, 0);
  for (const int fd : {ready[0], ready[1], done[0]}) ::close(fd);
  EXPECT_TRUE(fs::exists(temporary(::getpid())));
  EXPECT_TRUE(fs::exists(temporary(another)));
  EXPECT_FALSE(fs::exists(temporary(ended)));
}

// Made by a game older than the lock file's sharing, or before the table was shared: the lock
// file of another player that this one may not open for writing. Removed once free and made anew
// for both; while that player's rewrite holds it, waited for three seconds at most.
TEST_F(RealFiles, ANarrowLockFileOfAnotherPlayerIsMadeAnewOnceFree) {
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and the user nobody";
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  ASSERT_EQ(::chmod(path().c_str(), 0666), 0);
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  const int holder =
      ::open(lock_file.c_str(), O_RDWR | O_CREAT, 0644);  // root's, as umask 022 made it
  ASSERT_EQ(::fchmod(holder, 0644), 0);
  struct flock region {};
  region.l_type = F_WRLCK;
  ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &region), 0);
  int paused = 0;
  files = scores::PosixFileSystem(std::make_unique<CountedPauses>(paused));
  const int descriptors = test::open_descriptors();
  {
    const Unprivileged as_a_player(folder.path());
    validate(600);
  }
  expect_refused_untouched("« " + lock_file.string() + " » depuis plus de 3 secondes");
  EXPECT_EQ(paused, 3000);
  EXPECT_TRUE(bytes() == before) << "the table changed";
  EXPECT_TRUE(fs::exists(lock_file)) << "removed while a rewrite held it";
  EXPECT_EQ(test::open_descriptors(), descriptors) << "a file left open";

  ::close(holder);
  sys.errors.clear();
  {
    const Unprivileged as_a_player(folder.path());
    validate(600);
  }
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::open_descriptors(), descriptors - 1) << "a file left open";
  struct stat info {};
  ::stat(lock_file.c_str(), &info);
  EXPECT_EQ(info.st_uid, nobody->pw_uid) << "made anew by the player";
  EXPECT_EQ(info.st_mode & 07777, 0666u) << "for every player, as the table is";
}

TEST_F(RealFiles, ALockFileOfAnotherPlayerThatThisOneMayNotEvenReadIsNamedInTheRefusal) {
  if (::geteuid() != 0 || ::getpwnam("nobody") == nullptr)
    GTEST_SKIP() << "needs root and the user nobody";
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  ASSERT_EQ(::chmod(path().c_str(), 0666), 0);
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  test::write_bytes(lock_file, "");
  ASSERT_EQ(::chmod(lock_file.c_str(), 0600), 0);  // root's, made under umask 077
  {
    const Unprivileged as_a_player(folder.path());
    validate(600);
  }
  expect_refused_untouched("le verrou « " + lock_file.string() + " » est à un autre utilisateur");
  EXPECT_TRUE(bytes() == before) << "the table changed";
  // The same player with a table he may not write: refused for the table itself.
  ASSERT_EQ(::chmod(path().c_str(), 0644), 0);
  sys.errors.clear();
  {
    const Unprivileged as_a_player(folder.path());
    validate(600);
  }
  expect_refused_untouched("accès refusé");
  EXPECT_FALSE(contains(sys.errors[0], "verrou")) << sys.errors[0];
}

// A table every player may write, in a folder where this one may create nothing: neither the
// lock file nor the temporary can be made there. Refused for the folder, whether or not another
// player's lock file lies there, which this one may then not remove either.
TEST_F(RealFiles, AWritableTableInAFolderClosedToThePlayerIsRefusedForTheFolder) {
  if (::geteuid() != 0 || ::getpwnam("nobody") == nullptr)
    GTEST_SKIP() << "needs root and the user nobody";
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  ASSERT_EQ(::chmod(path().c_str(), 0666), 0);
  for (const bool lock_file_there : {false, true}) {
    if (lock_file_there) test::write_bytes(folder.path() / ".scores klimbor.lock", "");
    sys.errors.clear();
    {
      const Unprivileged as_a_player(folder.path());
      ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
      validate(600);
      ::chmod(folder.path().c_str(), 0755);
    }
    expect_refused_untouched("accès refusé");
    EXPECT_FALSE(contains(sys.errors[0], "verrou")) << sys.errors[0];
    EXPECT_TRUE(bytes() == before) << "the table changed";
  }
}

// The lock file refused for writing, then unreadable for another reason: that reason is told.
class LockFileUnreadable : public scores::PosixCalls {
 public:
  int open(const char* path, int flags, mode_t mode) override {
    if (!std::string(path).ends_with(".lock")) return PosixCalls::open(path, flags, mode);
    errno = (flags & O_CREAT) ? EACCES : EIO;
    return -1;
  }
};

TEST_F(RealFiles, ALockFileThatCannotBeReadIsReportedWithItsReason) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  files = scores::PosixFileSystem(std::make_unique<LockFileUnreadable>());
  validate(600);
  expect_refused_untouched("erreur d'entrée-sortie");
  EXPECT_TRUE(bytes() == before) << "the table changed";
}

// On a file system without locks, another player's lock file is no obstacle to remove.
TEST_F(RealFiles, ANarrowLockFileOfAnotherPlayerWhereThereAreNoLocksIsLeftAndTheScoreRecorded) {
  if (::geteuid() != 0 || ::getpwnam("nobody") == nullptr)
    GTEST_SKIP() << "needs root and the user nobody";
  test::write_bytes(path(), test::table({900, 500, 100}));
  ASSERT_EQ(::chmod(path().c_str(), 0666), 0);
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  test::write_bytes(lock_file, "");
  ASSERT_EQ(::chmod(lock_file.c_str(), 0644), 0);
  use_locks_refused_with(ENOLCK);
  {
    const Unprivileged as_a_player(folder.path());
    validate(600);
  }
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  struct stat info {};
  ::stat(lock_file.c_str(), &info);
  EXPECT_EQ(info.st_uid, 0u) << "the lock file was made anew, for nothing";
}

// Another player removes the lock file and makes it anew between its opening here and the lock,
// as a player meeting a lock file too narrow for him does: `times` times, or at every try.
class LockFileMadeAnew : public scores::PosixCalls {
 public:
  LockFileMadeAnew(fs::path lock_file, int times, int& made)
      : lock_file_(std::move(lock_file)), times_(times), made_(made) {}
  int lock(int fd, int command, struct flock* region) override {
    if (region->l_type == F_WRLCK && made_ != times_) {
      ++made_;
      fs::remove(lock_file_);
      test::write_bytes(lock_file_, "");
    }
    return PosixCalls::lock(fd, command, region);
  }

 private:
  fs::path lock_file_;
  int times_;
  int& made_;
};

TEST_F(RealFiles, ALockFileMadeAnewBeforeItIsLockedIsOpenedAgain) {
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  int made = 0;
  files = scores::PosixFileSystem(std::make_unique<LockFileMadeAnew>(lock_file, 1, made));
  Holder meanwhile = Holder::unknown;
  store.rewrite([&](scores::ScoreTable& table) {
    meanwhile = lock_holder(path());
    table.write(1, score_rec);
  });
  EXPECT_EQ(made, 1);
  EXPECT_EQ(meanwhile, Holder::an_open_file) << "the lock held is not the lock file's";

  // Made anew at every try: given up after ten tries, as a lock held by another program.
  made = 0;
  files = scores::PosixFileSystem(std::make_unique<LockFileMadeAnew>(lock_file, -1, made));
  const int descriptors = test::open_descriptors();
  validate(600);
  expect_refused_untouched("un autre programme est en train d'écrire le tableau");
  EXPECT_EQ(made, 10);
  EXPECT_EQ(test::open_descriptors(), descriptors) << "a file left open";
}

// Two players of one shared table, each in a process of his own under his own user and group,
// both in the table's group, with a umask of his own: what `setpriv --reuid --regid --groups`
// sets, done in children of the test. The table is shared as an installation shares it: a
// folder and a table of the group's, or a world-writable folder and table.
struct Sharing {
  const char* name;
  bool through_a_group;
  mode_t umask;
};

void PrintTo(const Sharing& sharing, std::ostream* out) {
  *out << sharing.name;
}

constexpr gid_t kPlayersGroup = 64100;
struct Player {
  uid_t uid;
  gid_t gid;
  const char* name;
  Module1::Integer score;
};

// Waits for one byte on the pipe: the byte, or 0 once the other end is closed or after 10 s.
char heard(int from) {
  pollfd wait_for{from, POLLIN, 0};
  char byte = 0;
  if (::poll(&wait_for, 1, 10000) != 1 || ::read(from, &byte, 1) != 1) return 0;
  return byte;
}

// A game whose rewrite stops right before its rename, under the lock, until told to go on.
class StoppedBeforeTheRename : public scores::PosixCalls {
 public:
  StoppedBeforeTheRename(int tell, int hear) : tell_(tell), hear_(hear) {}
  int rename(const char* from, const char* to) override {
    if (::write(tell_, "h", 1) != 1 || heard(hear_) != 'g') ::_exit(80);
    return PosixCalls::rename(from, to);
  }

 private:
  int tell_, hear_;
};

// A game that says when it first finds the lock held, then waits as any game does.
class SaysItWaits : public scores::PosixCalls {
 public:
  explicit SaysItWaits(int tell) : tell_(tell) {}
  void sleep(int milliseconds) override {
    if (!told_ && ::write(tell_, "w", 1) == 1) told_ = true;
    PosixCalls::sleep(milliseconds);
  }

 private:
  int tell_;
  bool told_ = false;
};

class SharedTable : public RealFiles, public ::testing::WithParamInterface<Sharing> {
 protected:
  void SetUp() override {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr)
      GTEST_SKIP() << "needs root, to play two players, and the user nobody";
    first = {nobody->pw_uid, nobody->pw_gid, "Alice", 600};
    const bool group = GetParam().through_a_group;
    ASSERT_EQ(::chown(folder.path().c_str(), 0, group ? kPlayersGroup : 0), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), group ? 0775 : 0777), 0);
    test::write_bytes(path(), test::table({900, 500, 100}));
    ASSERT_EQ(::chown(path().c_str(), 0, group ? kPlayersGroup : 0), 0);
    ASSERT_EQ(::chmod(path().c_str(), group ? 0664 : 0666), 0);
  }

  // The player records his score through Valider in a process of his own, with the calls
  // given; its exit status says how it went: 0 for the place announced.
  pid_t plays(const Player& player, std::unique_ptr<scores::PosixCalls> calls) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    const gid_t groups[] = {kPlayersGroup};
    if (::setgroups(1, groups) != 0 || ::setresgid(player.gid, player.gid, player.gid) != 0 ||
        ::setresuid(player.uid, player.uid, player.uid) != 0)
      ::_exit(90);
    ::umask(GetParam().umask);
    files = scores::PosixFileSystem(std::move(calls));
    validate(player.score, {player.name, ""});
    for (const std::string& error : sys.errors) std::cerr << player.name << ": " << error << "\n";
    ::_exit(sys.errors.empty() && sys.messages.size() == 1 ? 0 : 1);
  }

  static int status_of(pid_t child) {
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  void expect_both_records_kept() {
    const std::string table = bytes();
    EXPECT_EQ(test::scores_of(table), test::scores_of(test::table({900, 700, 600, 500, 100})));
    EXPECT_EQ(test::pseudo_at(table, 2).substr(0, 3), "Bob");
    EXPECT_EQ(test::pseudo_at(table, 3).substr(0, 5), "Alice");
  }

  Player first{};
  Player second{64101, 64101, "Bob", 700};
};

TEST_P(SharedTable, TwoPlayersRecordingInTurnBothKeepTheirRecords) {
  EXPECT_EQ(status_of(plays(first, std::make_unique<scores::PosixCalls>())), 0);
  EXPECT_EQ(status_of(plays(second, std::make_unique<scores::PosixCalls>())), 0);
  expect_both_records_kept();
  struct stat info {};
  ASSERT_EQ(::stat((folder.path() / ".scores klimbor.lock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, GetParam().through_a_group ? 0664u : 0666u)
      << "the lock file is open to whoever may write the table";
  if (GetParam().through_a_group) {
    EXPECT_EQ(info.st_gid, kPlayersGroup);
  }
}

// The first player's rewrite is stopped under the lock, its table read and its temporary
// written; the second records meanwhile. He must wait for the lock: recording without it, he
// would write a table that the first one's rename then replaces, his announced record lost.
TEST_P(SharedTable, TwoPlayersRecordingAtOnceBothKeepTheirRecords) {
  int first_says[2], first_hears[2], second_says[2];
  ASSERT_EQ(::pipe(first_says), 0);
  ASSERT_EQ(::pipe(first_hears), 0);
  const pid_t one =
      plays(first, std::make_unique<StoppedBeforeTheRename>(first_says[1], first_hears[0]));
  ::close(first_says[1]);
  ASSERT_EQ(heard(first_says[0]), 'h') << "the first player's rewrite did not come to its rename";
  ASSERT_EQ(::pipe(second_says), 0);
  const pid_t two = plays(second, std::make_unique<SaysItWaits>(second_says[1]));
  ::close(second_says[1]);
  EXPECT_EQ(heard(second_says[0]), 'w') << "the second player did not wait for the lock";
  EXPECT_EQ(::write(first_hears[1], "g", 1), 1);
  EXPECT_EQ(status_of(one), 0);
  EXPECT_EQ(status_of(two), 0);
  for (const int fd : {first_says[0], first_hears[0], first_hears[1], second_says[0]}) ::close(fd);
  expect_both_records_kept();
}

INSTANTIATE_TEST_SUITE_P(Installed, SharedTable,
                         ::testing::Values(Sharing{"ThroughAGroupUmask022", true, 022},
                                           Sharing{"ThroughAGroupUmask077", true, 077},
                                           Sharing{"WorldWritableUmask022", false, 022},
                                           Sharing{"WorldWritableUmask077", false, 077}),
                         [](const ::testing::TestParamInfo<Sharing>& info) {
                           return info.param.name;
                         });

TEST(ScorePath, WithoutHomeTheUserDatabaseSaysWhereHomeIs) {
  const std::string saved = ::getenv("HOME") != nullptr ? ::getenv("HOME") : "";
  const fs::path expected = fs::path(::getpwuid(::getuid())->pw_dir) / "scores klimbor";
  ::unsetenv("HOME");
  EXPECT_EQ(scores::default_score_path(), expected);
  ::setenv("HOME", "", 1);
  EXPECT_EQ(scores::default_score_path(), expected);
  ::setenv("HOME", "/home/zoé", 1);
  EXPECT_EQ(scores::default_score_path(), "/home/zoé/scores klimbor");
  ::setenv("HOME", saved.c_str(), 1);
}

}  // namespace
