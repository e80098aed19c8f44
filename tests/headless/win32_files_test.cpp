#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recording_fixture.h"
#include "scores/file_layer.h"
#include "scores/win32_calls.h"
#include "scores/win32_file_system.h"

using namespace Module1;
using test::contains;
using test::refusal_of;

namespace {

namespace fs = std::filesystem;

constexpr DWORD kNoDeleteSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Another program holding the table open: a real reader with the sharing given (without an error
// given) or one for which Windows refuses the move with that error. It lets go at the pause given
// (never: -1); the pauses are counted, never waited.
class HeldTable : public scores::Win32Calls {
 public:
  HeldTable(const fs::path& table, int pauses, DWORD refusal, DWORD sharing)
      : pauses_(pauses), refusal_(refusal) {
    if (refusal == 0)
      reader_ =
          ::CreateFileW(table.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~HeldTable() override { let_go(); }
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    if (refusal_ != 0 && pauses_ != 0) {
      ::SetLastError(refusal_);
      return FALSE;
    }
    return Win32Calls::move_file(from, to, flags);
  }
  void sleep(DWORD milliseconds) override {
    *waited_ += milliseconds;
    if (pauses_ > 0 && --pauses_ == 0) let_go();
  }
  std::shared_ptr<DWORD> waited() const { return waited_; }

 private:
  void let_go() {
    if (reader_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(std::exchange(reader_, INVALID_HANDLE_VALUE));
  }
  int pauses_;
  DWORD refusal_;
  HANDLE reader_ = INVALID_HANDLE_VALUE;
  std::shared_ptr<DWORD> waited_ = std::make_shared<DWORD>(0);
};

// A drive that answers one kind of call with an error: a disc taken out, a broken drive, or a
// table removed or protected by another user between two calls. Remove: a table this user may
// not remove, the move over it refused as is any open asking to delete it. Open lock: opening
// (or creating) the lock file beside the table.
enum class Call { look, open_to_read, open_to_write, measure, remove, open_lock };

class Answering : public scores::Win32Calls {
 public:
  Answering(Call call, DWORD error) : call_(call), error_(error) {}
  DWORD get_file_attributes(const wchar_t* path) override {
    return call_ == Call::look ? refuse(INVALID_FILE_ATTRIBUTES)
                               : Win32Calls::get_file_attributes(path);
  }
  HANDLE create_file(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                     DWORD attributes) override {
    // A temporary (CREATE_NEW) is never refused.
    if (disposition == OPEN_ALWAYS ? call_ == Call::open_lock
                                   : disposition == OPEN_EXISTING && call_ == opening(access))
      return refuse(INVALID_HANDLE_VALUE);
    return Win32Calls::create_file(path, access, sharing, disposition, attributes);
  }
  BOOL get_file_size(HANDLE file, LARGE_INTEGER* size) override {
    return call_ == Call::measure ? refuse(FALSE) : Win32Calls::get_file_size(file, size);
  }
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    return call_ == Call::remove ? refuse(FALSE) : Win32Calls::move_file(from, to, flags);
  }
  void sleep(DWORD) override {}  // a refused move is tried again at once: tests never wait

 private:
  static Call opening(DWORD access) {
    if (access & DELETE) return Call::remove;
    return access == GENERIC_READ ? Call::open_to_read : Call::open_to_write;
  }
  template <typename T>
  T refuse(T result) {
    ::SetLastError(error_);
    return result;
  }
  Call call_;
  DWORD error_;
};

// A drive that reads in pieces and writes byte by byte, as some network shares do.
class Trickling : public scores::Win32Calls {
 public:
  BOOL read_file(HANDLE file, void* buffer, DWORD count, DWORD* done) override {
    return Win32Calls::read_file(file, buffer, std::min<DWORD>(count, 100), done);
  }
  BOOL write_file(HANDLE file, const void* buffer, DWORD count, DWORD* done) override {
    return Win32Calls::write_file(file, buffer, std::min<DWORD>(count, 1), done);
  }
};

// The table on the file systems and the files that players have on Windows.
class Win32Files : public test::Recording {
 protected:
  std::shared_ptr<DWORD> use_table_held(int pauses, DWORD refusal = 0,
                                        DWORD sharing = kNoDeleteSharing) {
    auto calls = std::make_unique<HeldTable>(path(), pauses, refusal, sharing);
    auto waited = calls->waited();
    files = scores::Win32FileSystem(std::move(calls));
    return waited;
  }
  DWORD attributes() const { return ::GetFileAttributesW(path().c_str()); }
};

struct Held {
  const char* name;
  int pauses;
  DWORD refusal;
  DWORD sharing = kNoDeleteSharing;
};

class HeldByAReader : public Win32Files, public ::testing::WithParamInterface<Held> {};

TEST_P(HeldByAReader, TheMoveIsTriedAgainUntilTheReaderLetsGo) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  const auto waited = use_table_held(GetParam().pauses, GetParam().refusal, GetParam().sharing);
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  EXPECT_EQ(*waited, GetParam().pauses * 50u) << "50 ms after each refused move, no more";
}

// A reader holding the table, as a viewer does while it reads: Wine refuses the move over it with
// access denied whatever it shares, as Windows does on most file systems. A sharing violation or
// a range of the table locked, as Windows reports for other holders.
INSTANTIATE_TEST_SUITE_P(
    Refused, HeldByAReader,
    ::testing::Values(Held{"ReaderLettingGoAtOnce", 1, 0}, Held{"ReaderLettingGoAfter600ms", 12, 0},
                      Held{"ReaderSharingDeletion", 3, 0, kNoDeleteSharing | FILE_SHARE_DELETE},
                      Held{"SharingViolation", 3, ERROR_SHARING_VIOLATION},
                      Held{"LockViolation", 3, ERROR_LOCK_VIOLATION}),
    [](const ::testing::TestParamInfo<Held>& info) { return info.param.name; });

TEST_F(Win32Files, ATableHeldLongerThanASecondIsLeftAsItWasAndSaysSo) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  const auto waited = use_table_held(-1);
  validate(600);
  expect_refused_untouched("le fichier est utilisé par un autre programme");
  EXPECT_TRUE(bytes() == before) << "the table changed";
  EXPECT_EQ(*waited, 1000u) << "a second, no longer";
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "scores klimbor" || name == ".scores klimbor.lock") << name << " left";
  }
}

TEST_F(Win32Files, AReadOnlyTableIsRefusedLeftByteForByteAndRecordedOnceWritable) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  ::SetFileAttributesW(path().c_str(), FILE_ATTRIBUTE_READONLY);
  validate(600);
  expect_refused_untouched("accès refusé");
  EXPECT_TRUE(bytes() == before) << "the table changed";

  ::SetFileAttributesW(path().c_str(), FILE_ATTRIBUTE_NORMAL);
  sys.errors.clear();
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
}

TEST_F(Win32Files, AHiddenTableStaysHidden) {
  test::write_bytes(path(), test::table({900}));
  ::SetFileAttributesW(path().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(attributes() & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Win32Files, ANamedPipeOrADeviceAtThePathIsRefusedAtOnce) {
  // A pipe with a server waiting: opened for reading, it would connect and then block.
  const wchar_t* pipe_name = L"\\\\.\\pipe\\klimbor-test";
  const HANDLE server =
      ::CreateNamedPipeW(pipe_name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const scores::ScoreStore at_pipe(files, pipe_name);
  const std::string refusal = test::reading_refusal(at_pipe);
  ::CloseHandle(server);
  EXPECT_TRUE(contains(refusal, "c'est un tube nommé")) << refusal;
  EXPECT_TRUE(contains(refusal, "\\\\.\\pipe\\klimbor-test")) << refusal;

  const scores::ScoreStore at_nul(files, folder.path() / "NUL");
  EXPECT_TRUE(contains(test::reading_refusal(at_nul), "c'est un périphérique"));
  // Named as such, a pipe is refused before anything is opened or created beside it.
  EXPECT_TRUE(contains(refusal_of([&] { files.lock(pipe_name); }), "c'est un tube nommé"));
  EXPECT_TRUE(contains(refusal_of([&] { files.replace(pipe_name, "x"); }), "c'est un tube nommé"));
}

TEST_F(Win32Files, ARewriteOverAFolderOrOnADriveNotReadyIsRefusedWithItsReason) {
  const fs::path sub = folder.path() / "sub";
  fs::create_directory(sub);
  EXPECT_TRUE(contains(refusal_of([&] { files.replace(sub, "x"); }), "c'est un dossier"));
  EXPECT_TRUE(fs::is_directory(sub));

  // Where the lock file goes: Windows denies the opening of a folder as of a protected file.
  fs::create_directory(folder.path() / ".scores klimbor.lock");
  EXPECT_TRUE(contains(refusal_of([&] { files.lock(path()); }), "c'est un dossier"));

  files = scores::Win32FileSystem(std::make_unique<Answering>(Call::look, ERROR_NOT_READY));
  EXPECT_TRUE(
      contains(refusal_of([&] { files.replace(path(), "x"); }), "le lecteur n'est pas prêt"));
}

TEST_F(Win32Files, PiecemealCallsStillGiveTheWholeTable) {
  files = scores::Win32FileSystem(std::make_unique<Trickling>());
  expect_second_place_recorded_whole();
}

struct Answer {
  const char* name;
  Call call;
  DWORD error;
  const char* refusal;  // none: the score is recorded, at place `place`
  int place;
};

class AnsweredDrive : public Win32Files, public ::testing::WithParamInterface<Answer> {};

TEST_P(AnsweredDrive, AScoreIsRefusedWithTheDrivesReasonOrRecordedAsTheTableStands) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  files = scores::Win32FileSystem(std::make_unique<Answering>(GetParam().call, GetParam().error));
  validate(600);
  if (GetParam().refusal != nullptr) {
    expect_refused_untouched(GetParam().refusal);
    EXPECT_TRUE(bytes() == before) << "the table changed";
  } else {
    expect_announced(GetParam().place == 1 ? test::kFirst : test::place_message(GetParam().place));
  }
}

INSTANTIATE_TEST_SUITE_P(
    OneCall, AnsweredDrive,
    ::testing::Values(
        Answer{"DiscTakenOut", Call::look, ERROR_NOT_READY, "le lecteur n'est pas prêt", 0},
        Answer{"UnreadableForThisUser", Call::open_to_read, ERROR_ACCESS_DENIED, "accès refusé", 0},
        Answer{"BrokenDrive", Call::measure, ERROR_IO_DEVICE, "erreur d'entrée-sortie", 0},
        // Gone between the look and the open: no table, so the score is first.
        Answer{"RemovedMeanwhile", Call::open_to_read, ERROR_FILE_NOT_FOUND, nullptr, 1},
        Answer{"UnwritableForThisUser", Call::open_to_write, ERROR_ACCESS_DENIED, "accès refusé",
               0},
        // Held by a program without write sharing: the move waits for it.
        Answer{"HeldWithoutWriteSharing", Call::open_to_write, ERROR_SHARING_VIOLATION, nullptr, 2},
        // Refused at once, though Windows refuses the move over a held table the same way.
        Answer{"NotRemovableForThisUser", Call::remove, ERROR_ACCESS_DENIED, "accès refusé", 0},
        // Another player's lock file, or a disk taking no writes: recorded unlocked.
        Answer{"LockFileOfAnotherPlayer", Call::open_lock, ERROR_ACCESS_DENIED, nullptr, 2},
        Answer{"LockFileWriteProtected", Call::open_lock, ERROR_WRITE_PROTECT, nullptr, 2},
        Answer{"LockFileOnABrokenDrive", Call::open_lock, ERROR_IO_DEVICE, "erreur d'entrée-sortie",
               0}),
    [](const ::testing::TestParamInfo<Answer>& info) { return info.param.name; });

TEST_F(Win32Files, TheLockKeepsOtherProgramsOutUntilReleased) {
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  const auto try_lock = [&] {
    const HANDLE other = ::CreateFileW(lock_file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED whole{};
    // Even a shared lock, as a reader would take, is kept out.
    const bool got =
        ::LockFileEx(other, LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole) != 0;
    ::CloseHandle(other);
    return got;
  };
  {
    const auto held = files.lock(path());
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(try_lock());
    EXPECT_TRUE(::GetFileAttributesW(lock_file.c_str()) & FILE_ATTRIBUTE_HIDDEN)
        << "out of sight beside the table at the root of C:";
  }
  EXPECT_TRUE(try_lock());
}

// Another program holding the lock file: a game stopped in the middle of its rewrite, a network
// lock service that hangs. A shared lock through a handle of the test's own conflicts as theirs
// would; where LockFileEx refuses with a lock violation, the answer given comes instead. Pauses
// are counted, never waited.
class LockAnswering : public scores::Win32Calls {
 public:
  LockAnswering(DWORD answer, std::shared_ptr<DWORD> paused)
      : answer_(answer), paused_(std::move(paused)) {}
  BOOL lock_file(HANDLE file, DWORD flags, OVERLAPPED* region) override {
    if (!(flags & LOCKFILE_FAIL_IMMEDIATELY)) {
      ADD_FAILURE() << "a lock asked to wait for ever, here on the test's own";
      flags |= LOCKFILE_FAIL_IMMEDIATELY;
    }
    if (Win32Calls::lock_file(file, flags, region)) return TRUE;
    if (::GetLastError() == ERROR_LOCK_VIOLATION) ::SetLastError(answer_);
    return FALSE;
  }
  void sleep(DWORD milliseconds) override { *paused_ += milliseconds; }

 private:
  DWORD answer_;
  std::shared_ptr<DWORD> paused_;
};

class LockHeldElsewhere : public Win32Files, public ::testing::WithParamInterface<DWORD> {};

TEST_P(LockHeldElsewhere, IsGivenUpAfterThreeSecondsThenValiderRecords) {
  const std::string before = test::table({900, 500, 100});
  test::write_bytes(path(), before);
  const auto paused = std::make_shared<DWORD>(0);
  files = scores::Win32FileSystem(std::make_unique<LockAnswering>(GetParam(), paused));
  const fs::path lock_file = folder.path() / ".scores klimbor.lock";
  const HANDLE holder =
      ::CreateFileW(lock_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, 0, nullptr);
  OVERLAPPED whole{};
  ASSERT_TRUE(::LockFileEx(holder, LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole));

  validate(600);
  expect_refused_untouched("un autre programme est en train d'écrire le tableau");
  EXPECT_TRUE(contains(sys.errors[0], "« " + lock_file.string() + " »")) << sys.errors[0];
  EXPECT_EQ(*paused, 3000u) << "tried for three seconds, no less, no longer";
  EXPECT_TRUE(bytes() == before) << "the table changed";

  ::CloseHandle(holder);
  sys.errors.clear();
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(*paused, 3000u) << "a free lock is taken at once";
}

// A lock held on the disk, and the pending answer that LockFileEx may give instead.
INSTANTIATE_TEST_SUITE_P(Answered, LockHeldElsewhere,
                         ::testing::Values(ERROR_LOCK_VIOLATION, ERROR_IO_PENDING),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                           return info.param == ERROR_IO_PENDING ? "Pending" : "Refused";
                         });

class NoLocks : public scores::Win32Calls {
 public:
  explicit NoLocks(DWORD error) : error_(error) {}
  BOOL lock_file(HANDLE, DWORD, OVERLAPPED*) override {
    ::SetLastError(error_);
    return FALSE;
  }

 private:
  DWORD error_;
};

class WithoutLocks : public Win32Files, public ::testing::WithParamInterface<DWORD> {};

TEST_P(WithoutLocks, AScoreIsStillRecorded) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  files = scores::Win32FileSystem(std::make_unique<NoLocks>(GetParam()));
  validate(600);
  EXPECT_EQ(test::scores_of(bytes())[1], 600);
  expect_announced(test::place_message(2));
}

// The ways that file systems without locks answer LockFileEx.
INSTANTIATE_TEST_SUITE_P(AnyAnswer, WithoutLocks,
                         ::testing::Values(ERROR_NOT_SUPPORTED, ERROR_INVALID_FUNCTION,
                                           ERROR_CALL_NOT_IMPLEMENTED));

// A reparse point at the path, as Windows reports one, played through the seam: the file's
// attributes carry FILE_ATTRIBUTE_REPARSE_POINT, and FSCTL_GET_REPARSE_POINT on it answers with
// its tag and, for a symbolic link, the target written in it. The link is a plain file of its
// own bytes here, which a rewrite must leave as they are: MoveFileExW over it is what would
// replace a real link with a file.
struct Reparse {
  ULONG tag = IO_REPARSE_TAG_SYMLINK;
  std::wstring print_name;
  std::wstring substitute_name;
  bool relative = false;
  std::size_t print_name_claims = 0;  // bytes that the print name's length claims beyond its own
};

class ReportedLink : public scores::Win32Calls {
 public:
  ReportedLink(fs::path link, Reparse reparse)
      : link_(std::move(link)), reparse_(std::move(reparse)) {}
  DWORD get_file_attributes(const wchar_t* path) override {
    const DWORD attributes = Win32Calls::get_file_attributes(path);
    return is_link(path) ? attributes | FILE_ATTRIBUTE_REPARSE_POINT : attributes;
  }
  HANDLE create_file(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                     DWORD attributes) override {
    const HANDLE file = Win32Calls::create_file(path, access, sharing, disposition, attributes);
    if (is_link(path) && (attributes & FILE_FLAG_OPEN_REPARSE_POINT)) link_handle_ = file;
    return file;
  }
  // REPARSE_DATA_BUFFER for a link: tag, data length, reserved, the substitute name's offset and
  // length, the print name's, the flags, then the names, offsets and lengths in bytes.
  BOOL device_io_control(HANDLE file, DWORD code, void* output, DWORD size, DWORD* done) override {
    if (file != link_handle_ || code != FSCTL_GET_REPARSE_POINT)
      return Win32Calls::device_io_control(file, code, output, size, done);
    const std::wstring names = reparse_.substitute_name + reparse_.print_name;
    std::vector<char> data(20 + names.size() * sizeof(wchar_t));
    const auto put = [&](std::size_t at, std::size_t value, std::size_t bytes) {
      for (std::size_t i = 0; i < bytes; ++i) data[at + i] = static_cast<char>(value >> (8 * i));
    };
    const std::size_t substitute = reparse_.substitute_name.size() * sizeof(wchar_t);
    put(0, reparse_.tag, 4);
    put(4, data.size() - 8, 2);
    put(8, 0, 2);
    put(10, substitute, 2);
    put(12, substitute, 2);
    put(14, reparse_.print_name.size() * sizeof(wchar_t) + reparse_.print_name_claims, 2);
    put(16, reparse_.relative ? 1 : 0, 4);
    std::copy_n(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t),
                data.begin() + 20);
    if (size < data.size()) return FALSE;
    std::copy(data.begin(), data.end(), static_cast<char*>(output));
    *done = static_cast<DWORD>(data.size());
    return TRUE;
  }
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    const bool leads_elsewhere =
        reparse_.tag == IO_REPARSE_TAG_SYMLINK && !reparse_.substitute_name.empty();
    if (is_link(to) && leads_elsewhere) ADD_FAILURE() << "moved over the link";
    return Win32Calls::move_file(from, to, flags);
  }

 private:
  bool is_link(const wchar_t* path) const { return ::lstrcmpiW(path, link_.c_str()) == 0; }
  fs::path link_;
  Reparse reparse_;
  HANDLE link_handle_ = INVALID_HANDLE_VALUE;
};

// As Windows writes a link: its print name and the system's own name; the system's name alone;
// a target relative to the link's folder; a print name whose length runs past the data, which
// is no name (the system's name is taken).
enum class Written { print_name, substitute_name_alone, relative, print_name_past_the_data };

std::string written_name(const ::testing::TestParamInfo<Written>& info) {
  constexpr const char* kNames[] = {"PrintName", "SubstituteNameAlone", "Relative",
                                    "PrintNamePastTheData"};
  return kNames[static_cast<int>(info.param)];
}

void PrintTo(Written written, std::ostream* out) {
  *out << written_name({written, 0});
}

class LinkAtThePath : public Win32Files, public ::testing::WithParamInterface<Written> {
 protected:
  // The link's target, and what the link answers for it.
  fs::path target() const { return folder.path() / "synced" / "klimbor.dat"; }
  Reparse written() const {
    const std::wstring absolute = target().wstring();
    switch (GetParam()) {
      case Written::print_name:
        return {IO_REPARSE_TAG_SYMLINK, absolute, L"\\??\\" + absolute};
      case Written::substitute_name_alone:
        return {IO_REPARSE_TAG_SYMLINK, L"", L"\\??\\" + absolute};
      case Written::relative:
        return {IO_REPARSE_TAG_SYMLINK, L"synced\\klimbor.dat", L"synced\\klimbor.dat", true};
      case Written::print_name_past_the_data:
        return {IO_REPARSE_TAG_SYMLINK, L"x", L"\\??\\" + absolute, false, 200};
    }
    return {};
  }
};

TEST_P(LinkAtThePath, ItsTargetIsLockedReadAndReplacedAndTheLinkLeftAlone) {
  fs::create_directory(folder.path() / "synced");
  test::write_bytes(target(), test::table({900, 500, 100}));
  const std::string link_bytes = test::table({50});
  test::write_bytes(path(), link_bytes);
  files = scores::Win32FileSystem(std::make_unique<ReportedLink>(path(), written()));
  EXPECT_EQ(files.resolve(path()).wstring(), target().wstring());
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(test::read_bytes(target()))[1], 600);
  EXPECT_TRUE(test::read_bytes(path()) == link_bytes) << "the link was written";
  EXPECT_TRUE(fs::exists(target().parent_path() / ".klimbor.dat.lock"))
      << "the lock lies beside the target";
  EXPECT_FALSE(fs::exists(folder.path() / ".scores klimbor.lock"));
}

INSTANTIATE_TEST_SUITE_P(As, LinkAtThePath,
                         ::testing::Values(Written::print_name, Written::substitute_name_alone,
                                           Written::relative, Written::print_name_past_the_data),
                         written_name);

// The system's name of a file on a share (\??\UNC\server\share\...) is the share's path.
TEST_F(Win32Files, ALinkToAShareLeadsToTheSharesPath) {
  test::write_bytes(path(), "");
  files = scores::Win32FileSystem(std::make_unique<ReportedLink>(
      path(), Reparse{IO_REPARSE_TAG_SYMLINK, L"", L"\\??\\UNC\\serveur\\jeux\\klimbor.dat"}));
  EXPECT_EQ(files.resolve(path()).wstring(), L"\\\\serveur\\jeux\\klimbor.dat");
}

// Another kind of reparse point (a file of a cloud folder, a deduplicated file), or a link
// whose data names nothing: a file in its own place, rewritten there.
TEST_F(Win32Files, AReparsePointThatLeadsNowhereElseIsTheTableItself) {
  for (const Reparse& reparse : {Reparse{IO_REPARSE_TAG_DEDUP, L"", L"\\??\\C:\\ailleurs"},
                                 Reparse{IO_REPARSE_TAG_SYMLINK, L"", L""}}) {
    test::write_bytes(path(), test::table({900, 500, 100}));
    files = scores::Win32FileSystem(std::make_unique<ReportedLink>(path(), reparse));
    EXPECT_EQ(files.resolve(path()).wstring(), path().wstring());
    sys.show(game);
    validate(600);
    expect_announced(test::place_message(2));
    EXPECT_EQ(test::scores_of(bytes())[1], 600);
    sys.messages.clear();
  }
}

// A link that leads to itself: Windows follows 63 links at most, and so does the game.
TEST_F(Win32Files, ALinkLeadingToItselfIsRefused) {
  test::write_bytes(path(), "");
  files = scores::Win32FileSystem(std::make_unique<ReportedLink>(
      path(), Reparse{IO_REPARSE_TAG_SYMLINK, L"scores klimbor", L"scores klimbor", true}));
  EXPECT_TRUE(contains(refusal_of([&] { files.resolve(path()); }),
                       "trop de liens symboliques dans le chemin"));
}

// A real link, where the system makes one: Windows for an administrator or in developer mode;
// Wine's CreateSymbolicLinkW may answer yes and make nothing, which the attributes tell.
TEST_F(Win32Files, ARealSymbolicLinkStaysALinkAndItsTargetIsReplaced) {
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  fs::create_directory(folder.path() / "synced");
  const fs::path target = folder.path() / "synced" / "klimbor.dat";
  test::write_bytes(target, test::table({900, 500, 100}));
  if (!::CreateSymbolicLinkW(path().c_str(), L"synced\\klimbor.dat", kUnprivileged) &&
      !::CreateSymbolicLinkW(path().c_str(), L"synced\\klimbor.dat", 0))
    GTEST_SKIP() << "no symbolic link made (error " << ::GetLastError() << ")";
  if (attributes() == INVALID_FILE_ATTRIBUTES || !(attributes() & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "CreateSymbolicLinkW answered yes and made no link";
  validate(600);
  expect_announced(test::place_message(2));
  EXPECT_EQ(test::scores_of(test::read_bytes(target))[1], 600);
  EXPECT_TRUE(attributes() & FILE_ATTRIBUTE_REPARSE_POINT) << "the link replaced by a file";
  EXPECT_EQ(test::scores_of(bytes())[1], 600) << "the link leads to the new table";
}

TEST(ScorePath, IsAtTheRootOfDriveC) {
  EXPECT_EQ(scores::default_score_path().wstring(), L"C:\\scores klimbor");
}

// The lock file and the temporaries lie in the table's own folder, however the table is named:
// at the root of a drive, in a folder, on a share, on a drive's current folder, or alone.
TEST(ScorePath, TheFilesOfARewriteLieBesideTheTable) {
  const std::pair<const wchar_t*, const wchar_t*> folders[] = {
      {L"C:\\scores klimbor", L"C:\\"},
      {L"D:\\jeux\\\\scores klimbor", L"D:\\jeux\\"},
      {L"D:/jeux/scores klimbor", L"D:/jeux\\"},
      {L"\\\\serveur\\partage\\scores klimbor", L"\\\\serveur\\partage\\"},
      {L"\\scores klimbor", L"\\"},
      {L"E:scores klimbor", L"E:"},
      {L"scores klimbor", L".\\"}};
  for (const auto& [table, folder] : folders) {
    EXPECT_EQ(scores::lock_file_of(table).wstring(),
              folder + std::wstring(L".scores klimbor.lock"));
    EXPECT_EQ(scores::temporary_of(table, 42).wstring(),
              folder + std::wstring(L".scores klimbor.tmp.42"));
  }
}

}  // namespace
