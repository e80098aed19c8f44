#include "scores/posix_file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "scores/file_layer.h"

namespace scores {

namespace fs = std::filesystem;

namespace {

// Tries of the lock file when other players remove it between its opening and the lock.
constexpr int kLockRounds = 10;

[[noreturn]] void save_failed(const fs::path& path, int error) {
  scores::save_failed(path, french_reason(error));
}

// Where the file system keeps no locks at all (NFS without its lock service, some FUSE file
// systems), or refuses this kind of lock outright.
bool no_locks_here(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EBADF ||
         error == EINVAL;
}

class PosixLock final : public FileLock {
 public:
  PosixLock(PosixCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  ~PosixLock() override { calls_.close(fd_); }  // closing the lock file releases the lock
  PosixLock(const PosixLock&) = delete;
  PosixLock& operator=(const PosixLock&) = delete;

 private:
  PosixCalls& calls_;
  int fd_;
};

// How fcntl says that another program holds a conflicting lock.
bool held_by_another(int error) {
  return error == EAGAIN || error == EACCES;
}

// Opened for reading or for the write check without ever waiting: a FIFO would otherwise block
// until a writer comes, and a device may act on being opened.
constexpr int kNoWait = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

}  // namespace

namespace {

// Where a link's target leads, as the kernel finds it: "lnk/../data" is the folder above the one
// lnk leads to, not the folder holding lnk. The file itself may not exist yet; a folder that
// cannot be resolved is left as written, for the open that follows to report.
fs::path resolved(const fs::path& link, const fs::path& written) {
  const fs::path target = written.is_absolute() ? written : folder_of(link) / written;
  // The folder resolved, the name kept: the file may not exist, and a ".." after a folder
  // without links means what it says.
  std::error_code ec;
  const fs::path folder = fs::canonical(folder_of(target), ec);
  return ec ? target : folder / target.filename();
}

}  // namespace

fs::path link_target(const fs::path& path) {
  fs::path target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) return target;  // no link (or none readable: the open that follows reports it)
    target = resolved(target, next);
  }
  save_failed(path, ELOOP);
}

PosixFileSystem::PosixFileSystem(std::unique_ptr<PosixCalls> calls) : calls_(std::move(calls)) {}

FileBytes PosixFileSystem::read(const fs::path& path, std::size_t limit) {
  // Looked at before it is opened, and again once open, in case the path changed meanwhile. A
  // path that cannot be looked at is left to the open to report.
  struct stat info {};
  if (calls_->stat(path.c_str(), &info) == 0) {
    if (const std::string refused = not_a_file_reason(info.st_mode); !refused.empty())
      read_failed(path, refused);
  }
  const int fd = calls_->open(path.c_str(), O_RDONLY | kNoWait, 0);
  if (fd < 0) {
    if (errno == ENOENT) return {};  // a missing file is an empty table
    read_failed(path, french_reason(errno));
  }
  std::string reason;
  FileBytes file;
  try {
    if (calls_->fstat(fd, &info) != 0) throw std::system_error(errno, std::generic_category());
    reason = not_a_file_reason(info.st_mode);
    if (reason.empty()) {
      file.bytes = read_all(fd, limit);
      file.size =
          std::max<std::uint64_t>(static_cast<std::uint64_t>(info.st_size), file.bytes.size());
    }
  } catch (const std::system_error& e) {
    reason = french_reason(e.code().value());
  }
  calls_->close(fd);
  if (!reason.empty()) read_failed(path, reason);
  return file;
}

std::string PosixFileSystem::read_all(int fd, std::size_t limit) {
  std::string bytes(limit, '\0');
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t n = calls_->read(fd, bytes.data() + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category());
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void PosixFileSystem::write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = calls_->write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      throw std::system_error(errno, std::generic_category());
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// The protection the user set on the table is honoured, although the folder alone would allow
// the rename: a table this process may not open for writing is refused as it stands. False when
// there is no table yet.
bool PosixFileSystem::writable_table(const fs::path& path, struct stat& old) {
  if (calls_->stat(path.c_str(), &old) != 0) {
    if (errno == ENOENT) return false;
    save_failed(path, errno);
  }
  if (const std::string refused = not_a_file_reason(old.st_mode); !refused.empty())
    save_failed(path, refused);
  const int fd = calls_->open(path.c_str(), O_WRONLY | kNoWait, 0);  // no O_TRUNC: checked only
  if (fd < 0) save_failed(path, errno);
  calls_->close(fd);
  return true;
}

// The owner first: changing it clears the set-id bits that the mode then puts back. Only root
// may give a file away, and a user only to a group of theirs: where refused, the new table is
// the user's own, with the old permissions.
void PosixFileSystem::keep_owner_and_mode(int fd, const struct stat& old) {
  if (calls_->fchown(fd, old.st_uid, old.st_gid) != 0) {
    calls_->fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  if (calls_->fchmod(fd, old.st_mode & 07777) != 0) {
    throw std::system_error(errno, std::generic_category());
  }
}

// The path is the file itself, resolved by the caller (resolve): a link there is not followed
// again, so the file replaced is the one locked and read.
void PosixFileSystem::replace(const fs::path& path, std::string_view bytes) {
  struct stat old {};
  const bool existed = writable_table(path, old);
  const fs::path folder = folder_of(path);
  const fs::path temporary = temporary_of(path, static_cast<unsigned long>(::getpid()));
  calls_->unlink(temporary.c_str());
  const int fd = calls_->open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) save_failed(path, errno);
  try {
    if (existed) keep_owner_and_mode(fd, old);
    write_all(fd, bytes);
    if (calls_->fsync(fd) != 0) throw std::system_error(errno, std::generic_category());
  } catch (const std::system_error& e) {
    calls_->close(fd);
    calls_->unlink(temporary.c_str());
    save_failed(path, e.code().value());
  }
  if (calls_->close(fd) != 0) {
    const int error = errno;
    calls_->unlink(temporary.c_str());
    save_failed(path, error);
  }
  if (calls_->rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    calls_->unlink(temporary.c_str());
    // The temporary lies in the table's folder: with the folder still there, it is the
    // temporary that is missing, removed by another program.
    struct stat there {};
    if (error == ENOENT && calls_->stat(folder.c_str(), &there) == 0)
      temporary_vanished(path, temporary);
    save_failed(path, error);
  }
  // The rename itself reaches the disk with the folder. The table is already replaced here, so a
  // folder that cannot be flushed (some file systems refuse) is not reported as a failure.
  const int dir = calls_->open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir >= 0) {
    calls_->fsync(dir);
    calls_->close(dir);
  }
}

fs::path PosixFileSystem::resolve(const fs::path& path) {
  return link_target(path);
}

// Tried without waiting, again after each pause while another program holds it; the pauses of
// every try of one lock add up in waited. False where the file system has no locks at all (the
// descriptor then closed); a lock still held after kLockWaitMs refuses the recording.
bool PosixFileSystem::take(int fd, short type, const fs::path& table, const fs::path& lock_file,
                           int& waited) {
  struct flock whole {};
  whole.l_type = type;
  whole.l_whence = SEEK_SET;
  int command = F_OFD_SETLK;
  while (calls_->lock(fd, command, &whole) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EINVAL && command == F_OFD_SETLK) {
      command = F_SETLK;
      continue;
    }
    if (held_by_another(error) && waited < kLockWaitMs) {
      calls_->sleep(kLockPauseMs);
      waited += kLockPauseMs;
      continue;
    }
    calls_->close(fd);
    if (held_by_another(error)) lock_held(table, lock_file);
    // One game at a time is the common case: a record saved unlocked beats a record lost.
    if (no_locks_here(error)) return false;
    save_failed(table, error);
  }
  return true;
}

// The lock file serves whoever may write the table, whatever the umask of the player who made
// it: it takes the table's permissions (its owner keeping read and write) and group, and, where
// root records, its owner. Only the lock file's owner may change it (the calls fail for anyone
// else, and change nothing); where another's is too narrow, it is removed and made anew
// (reopen_lock_file). With no table yet, the lock file keeps the permissions of any new file,
// which the new table gets too.
void PosixFileSystem::share_lock_file(int fd, const fs::path& table) {
  struct stat wanted {};
  if (calls_->stat(table.c_str(), &wanted) != 0) return;
  if (calls_->fchown(fd, wanted.st_uid, wanted.st_gid) != 0)
    calls_->fchown(fd, static_cast<uid_t>(-1), wanted.st_gid);
  calls_->fchmod(fd, (wanted.st_mode & 0666) | S_IRUSR | S_IWUSR);
}

// A lock file this user may not open for writing, made by another player before the table was
// shared with this one (or by a game older than this rule): removed, once no rewrite holds it,
// so that the next try makes it anew for every player. A player who may not write the table
// leaves it alone: false, the recording goes on unlocked and the replace refuses the table with
// its own reason. So does one who may not remove it: a folder closed to him refuses the replace
// too, and in a sticky folder only the table's owner may replace the table. A lock file this user
// may not even read cannot be seen free: refused, naming it.
bool PosixFileSystem::reopen_lock_file(const fs::path& table, const fs::path& lock_file,
                                       int& waited) {
  if (const int check = calls_->open(table.c_str(), O_WRONLY | kNoWait, 0); check >= 0) {
    calls_->close(check);
  } else if (errno != ENOENT) {
    return false;
  }
  const int fd = calls_->open(lock_file.c_str(), O_RDONLY | O_NOFOLLOW | kNoWait, 0);
  if (fd < 0) {
    const int error = errno;
    // No lock file, and a folder that refuses one: the replace is refused there too.
    if (error == ENOENT) return false;
    if (error == EACCES || error == EPERM) lock_closed(table, lock_file);
    save_failed(table, error);
  }
  // A reader's lock is refused while a rewrite holds the file.
  if (!take(fd, F_RDLCK, table, lock_file, waited)) return false;
  const bool removed = calls_->unlink(lock_file.c_str()) == 0 || errno == ENOENT;
  calls_->close(fd);
  return removed;
}

// Whether the lock is held on the file that has the lock file's name: another player may have
// removed the file between its opening here and the lock (reopen_lock_file).
bool PosixFileSystem::still_named(int fd, const fs::path& lock_file) {
  struct stat held {};
  struct stat named {};
  return calls_->fstat(fd, &held) == 0 && calls_->stat(lock_file.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// A process that cannot be signalled for want of rights (another player's) is alive too; kill
// answers ESRCH for a process that is gone.
bool PosixFileSystem::alive(unsigned long process) {
  return calls_->kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

// Under the lock: the temporaries of processes that are gone, killed in the middle of a
// rewrite. One whose process is alive may be written at this moment (by a game that could not
// lock): left alone.
void PosixFileSystem::remove_stale_temporaries(const fs::path& table) {
  std::error_code ec;
  for (fs::directory_iterator it(folder_of(table), ec), end; !ec && it != end; it.increment(ec)) {
    const auto writer = writer_of_temporary(table, it->path().filename().native());
    if (writer && !alive(*writer)) calls_->unlink(it->path().c_str());
  }
}

// A lock file beside the table, opened for writing: NFS grants an exclusive lock on nothing
// else. It is the table's users' (share_lock_file), not the table itself: the rename puts a new
// file in the table's place, and a lock on the old one would keep nobody out of the new one.
// Open-file-description locks belong to this descriptor, not to the process, so no other close
// in the program drops them; kernels before 3.15 get the classic POSIX lock instead. Never
// waited on: a lock still held after a few seconds of tries refuses the recording.
std::unique_ptr<FileLock> PosixFileSystem::lock(const fs::path& path) {
  const fs::path lock_file = lock_file_of(path);
  int waited = 0;
  for (int round = 0; round < kLockRounds; ++round) {
    const int fd = calls_->open(lock_file.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | kNoWait, 0666);
    if (fd < 0) {
      const int error = errno;
      if (error == EACCES || error == EPERM) {
        if (!reopen_lock_file(path, lock_file, waited)) return nullptr;
        continue;
      }
      // A disk that takes no writes: the replace is refused there too, and says so.
      if (error == EROFS) return nullptr;
      save_failed(path, error);
    }
    share_lock_file(fd, path);
    if (!take(fd, F_WRLCK, path, lock_file, waited)) return nullptr;
    if (!still_named(fd, lock_file)) {
      calls_->close(fd);
      continue;
    }
    auto held = std::make_unique<PosixLock>(*calls_, fd);
    remove_stale_temporaries(path);
    return held;
  }
  lock_held(path, lock_file);  // made anew by others at every try
}

}  // namespace scores
