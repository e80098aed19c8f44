#include "scores/win32_file_system.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "scores/file_layer.h"
#include "scores/win32_calls.h"

#include <winioctl.h>  // after windows.h, which win32_calls.h brings

namespace scores {

namespace {

// Every sharing: a handle of ours never stops another program from opening the table. The move
// over a file still open waits for its readers all the same (move_into_place).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kChunk = 1 << 20;
constexpr DWORD kRetryPause = 50;  // milliseconds
constexpr DWORD kRetryFor = 1000;
// What the new table takes over from the old one; read-only never comes this far.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool missing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Where the file system keeps no locks at all (some network shares and foreign file systems).
bool no_locks_here(DWORD error) {
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_CALL_NOT_IMPLEMENTED;
}

// How Windows says that another program holds the file, for as long as it holds it: open without
// the sharing asked for, or a range of it locked.
bool held_by_another(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// LockFileEx refusing a lock that another handle holds; asked not to wait, it may also answer
// that the lock is pending, as for a handle open for overlapped calls.
bool lock_taken(DWORD error) {
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
}

// A lock file this user may not write (another player's, on a shared folder) or on a disk that
// takes no writes: the recording goes on unlocked and the replace tells what stands in its way.
bool lock_file_closed_to_us(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
}

[[noreturn]] void read_failed(const Path& path, DWORD error) {
  scores::read_failed(path, french_reason(error));
}

[[noreturn]] void save_failed(const Path& path, DWORD error) {
  scores::save_failed(path, french_reason(error));
}

class Handle {
 public:
  Handle(Win32Calls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
  Handle(Handle&& other) noexcept
      : calls_(other.calls_), handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  ~Handle() {
    if (valid()) calls_.close_handle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // For a file whose last writes may fail only as it is closed.
  bool close() { return calls_.close_handle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  Win32Calls& calls_;
  HANDLE handle_;
};

// The temporary file of a rewrite: removed unless it became the table.
class Temporary {
 public:
  Temporary(Win32Calls& calls, Path path) : calls_(calls), path_(std::move(path)) {
    calls_.delete_file(path_.c_str());  // one left by an earlier process of the same number
  }
  ~Temporary() {
    if (!moved_) calls_.delete_file(path_.c_str());
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  const Path& path() const { return path_; }
  void moved() { moved_ = true; }

 private:
  Win32Calls& calls_;
  Path path_;
  bool moved_ = false;
};

class Win32Lock final : public FileLock {
 public:
  Win32Lock(Win32Calls& calls, Handle file) : calls_(calls), file_(std::move(file)) {}
  // Closing would release the lock too, but only when the system gets round to it.
  ~Win32Lock() override { calls_.unlock_file(file_.get(), &whole_); }

 private:
  Win32Calls& calls_;
  Handle file_;
  OVERLAPPED whole_{};
};

void refuse_device(const Path& path, void (*failed)(const Path&, const std::string&)) {
  if (const std::string refused = device_path_reason(path); !refused.empty()) failed(path, refused);
}

std::string read_all(Win32Calls& calls, const Path& path, HANDLE file, std::size_t limit) {
  std::string bytes(limit, '\0');
  std::size_t got = 0;
  while (got < limit) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(limit - got, kChunk));
    DWORD n = 0;
    if (!calls.read_file(file, bytes.data() + got, wanted, &n)) read_failed(path, ::GetLastError());
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

void write_all(Win32Calls& calls, const Path& path, HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kChunk));
    DWORD n = 0;
    if (!calls.write_file(file, bytes.data(), wanted, &n)) save_failed(path, ::GetLastError());
    if (n == 0) save_failed(path, DWORD{ERROR_DISK_FULL});
    bytes.remove_prefix(n);
  }
}

// Opening the table for deletion, as the move does, is refused with a sharing violation while a
// program holds it without delete sharing, and with access denied where the table is protected
// (read-only, or no right to remove it). Opened, it is held by a program that shares deletion:
// such a holder still keeps the move out until it lets go.
DWORD why_denied(Win32Calls& calls, const Path& path) {
  const Handle table(calls, calls.create_file(path.c_str(), DELETE, kShareAll, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL));
  if (table.valid()) return ERROR_SHARING_VIOLATION;
  const DWORD error = ::GetLastError();
  return error == ERROR_ACCESS_DENIED ? error : DWORD{ERROR_SHARING_VIOLATION};
}

// Whether the process is there: one that cannot be opened for want of rights (another user's)
// is; one that has ended but is still held open by some program is not. A process number that
// names no process is refused as an invalid parameter.
bool alive(Win32Calls& calls, DWORD process) {
  const HANDLE opened = calls.open_process(PROCESS_QUERY_LIMITED_INFORMATION, process);
  if (opened == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool running = !calls.get_exit_code_process(opened, &code) || code == STILL_ACTIVE;
  calls.close_handle(opened);
  return running;
}

// Under the lock: the temporaries of processes that are gone, killed in the middle of a
// rewrite. One whose process is alive may be written at this moment (by a game that could not
// lock): left alone. The folder is searched for every name, not for the temporaries' prefix: a
// pattern matches the short 8.3 names too, which would take other files for temporaries.
void remove_stale_temporaries(Win32Calls& calls, const Path& table) {
  const Path folder = folder_of(table);
  WIN32_FIND_DATAW found{};
  const HANDLE search = calls.find_first_file((folder / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const auto writer = writer_of_temporary(table, found.cFileName);
    if (writer && !alive(calls, *writer)) calls.delete_file((folder / found.cFileName).c_str());
  } while (calls.find_next_file(search, &found));
  calls.find_close(search);
}

// What FSCTL_GET_REPARSE_POINT gives for a symbolic link: REPARSE_DATA_BUFFER of the driver kit
// (ntifs.h), its part for links. The names lie in the path buffer, at offsets and lengths in
// bytes.
struct LinkReparseData {
  ULONG tag;
  USHORT data_length;
  USHORT reserved;
  USHORT substitute_offset;
  USHORT substitute_length;
  USHORT print_offset;
  USHORT print_length;
  ULONG flags;
  // The path buffer follows.
};
constexpr ULONG kRelativeLink = 1;               // SYMLINK_FLAG_RELATIVE
constexpr DWORD kLinkHops = 63;                  // as many as Windows follows itself
constexpr DWORD kReparseBufferSize = 16 * 1024;  // MAXIMUM_REPARSE_DATA_BUFFER_SIZE

// A name of the link's data, or the empty text where it lies outside what was read.
std::wstring name_in(const std::vector<char>& data, DWORD size, USHORT offset, USHORT length) {
  const std::size_t start = sizeof(LinkReparseData) + offset;
  if (start + length > size) return {};
  std::wstring name(length / sizeof(wchar_t), L'\0');
  std::copy_n(data.data() + start, name.size() * sizeof(wchar_t),
              reinterpret_cast<char*>(name.data()));
  return name;
}

// Where a symbolic link leads, as it is written in it: the name shown (C:\dir\file), else the
// system's own name without its prefix (\??\C:\dir\file, \??\UNC\server\share\file); a relative
// target lies in the link's folder. None for another kind of reparse point (a file of a cloud
// folder, a deduplicated file) or a link that cannot be read: the file is then the path itself.
std::optional<Path> link_target(Win32Calls& calls, const Path& link) {
  const Handle file(calls,
                    calls.create_file(link.c_str(), 0, kShareAll, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
  if (!file.valid()) return std::nullopt;
  std::vector<char> data(kReparseBufferSize);
  DWORD size = 0;
  if (!calls.device_io_control(file.get(), FSCTL_GET_REPARSE_POINT, data.data(), kReparseBufferSize,
                               &size) ||
      size < sizeof(LinkReparseData))
    return std::nullopt;
  LinkReparseData link_data{};
  std::copy_n(data.data(), sizeof link_data, reinterpret_cast<char*>(&link_data));
  if (link_data.tag != IO_REPARSE_TAG_SYMLINK) return std::nullopt;
  std::wstring target = name_in(data, size, link_data.print_offset, link_data.print_length);
  if (target.empty()) {
    target = name_in(data, size, link_data.substitute_offset, link_data.substitute_length);
    if (target.rfind(L"\\??\\UNC\\", 0) == 0) {
      target.replace(0, 8, L"\\\\");
    } else if (target.rfind(L"\\??\\", 0) == 0) {
      target.erase(0, 4);
    }
  }
  if (target.empty()) return std::nullopt;
  if (link_data.flags & kRelativeLink) return folder_of(link) / Path(target);
  return Path(target);
}

}  // namespace

Win32FileSystem::Win32FileSystem() : Win32FileSystem(std::make_unique<Win32Calls>()) {}
Win32FileSystem::Win32FileSystem(std::unique_ptr<Win32Calls> calls) : calls_(std::move(calls)) {}
Win32FileSystem::Win32FileSystem(Win32FileSystem&&) noexcept = default;
Win32FileSystem& Win32FileSystem::operator=(Win32FileSystem&&) noexcept = default;
Win32FileSystem::~Win32FileSystem() = default;

FileBytes Win32FileSystem::read(const Path& path, std::size_t limit) {
  refuse_device(path, read_failed);
  const DWORD attributes = calls_->get_file_attributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (missing(error)) return {};  // a missing file is an empty table
    read_failed(path, error);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) read_failed(path, french(Reason::is_a_folder));
  Handle file(*calls_, calls_->create_file(path.c_str(), GENERIC_READ, kShareAll, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL));
  if (!file.valid()) {
    const DWORD error = ::GetLastError();
    if (missing(error)) return {};
    read_failed(path, error);
  }
  // A name such as NUL or COM1 opens a device wherever it stands: refused before any read.
  if (const std::string refused = not_a_file_reason(calls_->get_file_type(file.get()));
      !refused.empty())
    read_failed(path, refused);
  LARGE_INTEGER size{};
  if (!calls_->get_file_size(file.get(), &size)) read_failed(path, ::GetLastError());
  FileBytes bytes;
  bytes.bytes = read_all(*calls_, path, file.get(), limit);
  bytes.size =
      std::max<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), bytes.bytes.size());
  return bytes;
}

// The protection the user set on the table is honoured, although the folder alone would allow
// the move: a read-only table, or one this user may not open for writing, is refused as it
// stands. The attributes the new table takes over; plain ones when there is no table yet.
unsigned long Win32FileSystem::writable_table(const Path& path) {
  const DWORD old = calls_->get_file_attributes(path.c_str());
  if (old == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return FILE_ATTRIBUTE_NORMAL;
    save_failed(path, error);
  }
  if (old & FILE_ATTRIBUTE_DIRECTORY) save_failed(path, french(Reason::is_a_folder));
  if (old & FILE_ATTRIBUTE_READONLY) save_failed(path, french(Reason::access_denied));
  const Handle check(*calls_, calls_->create_file(path.c_str(), GENERIC_WRITE, kShareAll,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  // A program holding the table without write sharing protects nothing: the move waits for it.
  if (const DWORD error = ::GetLastError(); !check.valid() && error != ERROR_SHARING_VIOLATION)
    save_failed(path, error);
  return (old & kKeptAttributes) != 0 ? old & kKeptAttributes : FILE_ATTRIBUTE_NORMAL;
}

void Win32FileSystem::replace(const Path& path, std::string_view bytes) {
  refuse_device(path, save_failed);
  const DWORD attributes = writable_table(path);
  Temporary temporary(*calls_, temporary_of(path, ::GetCurrentProcessId()));
  {
    Handle file(*calls_, calls_->create_file(temporary.path().c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                                             attributes));
    if (!file.valid()) save_failed(path, ::GetLastError());
    write_all(*calls_, path, file.get(), bytes);
    if (!calls_->flush_file_buffers(file.get())) save_failed(path, ::GetLastError());
    if (!file.close()) save_failed(path, ::GetLastError());
  }
  move_into_place(path, temporary.path());
  temporary.moved();
}

// A symbolic link at the path is followed, link after link, to the file it leads to, which may
// not exist yet: MoveFileExW over a link would put the new table in place of the link, where
// Linux writes the file the link leads to. A folder, a missing file, any other file is itself.
Path Win32FileSystem::resolve(const Path& path) {
  if (!device_path_reason(path).empty()) return path;  // refused as it stands, never opened
  Path target = path;
  for (DWORD hops = 0; hops < kLinkHops; ++hops) {
    const DWORD attributes = calls_->get_file_attributes(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return target;
    std::optional<Path> next = link_target(*calls_, target);
    if (!next) return target;
    target = std::move(*next);
  }
  save_failed(path, french(Reason::too_many_links));
}

// A program that holds the table open (a viewer reading it, an antivirus, a backup) makes the
// move fail until it lets go; such readers hold a file for moments, so the move is tried again for
// about a second. Windows refuses the move over a held file with access denied, as it refuses one
// over a table this user may not remove: the table opened for deletion tells them apart.
// Write-through: the move itself is on the disk when the call returns.
void Win32FileSystem::move_into_place(const Path& path, const Path& temporary) {
  for (DWORD waited = 0;; waited += kRetryPause) {
    if (calls_->move_file(temporary.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return;
    DWORD error = ::GetLastError();
    // The temporary lies in the table's folder: with the folder still there, it is the
    // temporary that is missing, removed by another program.
    if (missing(error) &&
        calls_->get_file_attributes(folder_of(path).c_str()) != INVALID_FILE_ATTRIBUTES)
      temporary_vanished(path, temporary);
    if (error == ERROR_ACCESS_DENIED) error = why_denied(*calls_, path);
    if (!held_by_another(error)) save_failed(path, error);
    if (waited >= kRetryFor) save_failed(path, french(Reason::in_use));
    calls_->sleep(kRetryPause);
  }
}

// A lock file beside the table, as on POSIX systems: LockFileEx holds across network shares too.
// Hidden, since it lies at the root of C: beside the table. Never waited on: a lock still held
// after a few seconds of tries refuses the recording.
std::unique_ptr<FileLock> Win32FileSystem::lock(const Path& path) {
  refuse_device(path, save_failed);
  const Path lock_file = lock_file_of(path);
  Handle file(*calls_, calls_->create_file(lock_file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           kShareAll, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN));
  if (!file.valid()) {
    const DWORD error = ::GetLastError();
    if (!lock_file_closed_to_us(error)) save_failed(path, error);
    // Windows denies the opening of a folder too: that one is said, as on POSIX systems.
    const DWORD found = calls_->get_file_attributes(lock_file.c_str());
    if (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY))
      save_failed(path, french(Reason::is_a_folder));
    return nullptr;
  }
  OVERLAPPED whole{};
  for (int waited = 0;
       !calls_->lock_file(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, &whole);
       waited += kLockPauseMs) {
    const DWORD error = ::GetLastError();
    // One game at a time is the common case: a record saved unlocked beats a record lost.
    if (no_locks_here(error)) return nullptr;
    if (!lock_taken(error)) save_failed(path, error);
    if (waited >= kLockWaitMs) lock_held(path);
    calls_->sleep(kLockPauseMs);
  }
  auto held = std::make_unique<Win32Lock>(*calls_, std::move(file));
  remove_stale_temporaries(*calls_, path);
  return held;
}

}  // namespace scores
