#include "scores/posix_file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "ui/runtime_error.h"

namespace scores {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) {
  return "« " + path.string() + " »";
}

[[noreturn]] void read_failed(const fs::path& path, int error) {
  throw ui::RuntimeError("Impossible de lire le fichier des scores " + quoted(path) + " : " +
                         french_reason(error) + ".");
}

[[noreturn]] void save_failed(const fs::path& path, int error) {
  throw ui::RuntimeError("Impossible d'enregistrer le fichier des scores " + quoted(path) + " : " +
                         french_reason(error) + ". Le tableau des scores n'a pas été modifié.");
}

fs::path folder_of(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string + "...".
std::string temporary_prefix(const fs::path& path) {
  std::string prefix(1, '.');
  prefix.append(path.filename().string()).append(".tmp.");
  return prefix;
}

class PosixLock final : public FileLock {
 public:
  PosixLock(PosixCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  ~PosixLock() override { calls_.close(fd_); }  // closing the folder releases the flock
  PosixLock(const PosixLock&) = delete;
  PosixLock& operator=(const PosixLock&) = delete;

 private:
  PosixCalls& calls_;
  int fd_;
};

}  // namespace

std::string french_reason(int error) {
  switch (error) {
    case ENOENT:
      return "le dossier n'existe pas";
    case ENOTDIR:
      return "un élément du chemin n'est pas un dossier";
    case EACCES:
    case EPERM:
      return "accès refusé";
    case EISDIR:
      return "c'est un dossier, pas un fichier";
    case ENOSPC:
      return "le disque est plein";
    case EDQUOT:
      return "le quota du disque est dépassé";
    case EROFS:
      return "le disque est en lecture seule";
    case EIO:
      return "erreur d'entrée-sortie sur le disque";
    case ENAMETOOLONG:
      return "le chemin est trop long";
    case ELOOP:
      return "trop de liens symboliques dans le chemin";
    case EMFILE:
    case ENFILE:
      return "trop de fichiers ouverts";
    default:
      return "erreur système " + std::to_string(error);
  }
}

PosixFileSystem::PosixFileSystem(std::unique_ptr<PosixCalls> calls) : calls_(std::move(calls)) {}

FileBytes PosixFileSystem::read(const fs::path& path, std::size_t limit) {
  const int fd = calls_->open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) {
    if (errno == ENOENT) return {};  // a missing file is an empty table
    read_failed(path, errno);
  }
  FileBytes file;
  int error = 0;
  struct stat info {};
  if (calls_->fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else {
    file.size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    file.bytes.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
      const ssize_t n = calls_->read(fd, file.bytes.data() + got, limit - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error = errno;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    file.bytes.resize(got);
    if (file.size < got) file.size = got;
  }
  calls_->close(fd);
  if (error != 0) read_failed(path, error);
  return file;
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

void PosixFileSystem::replace(const fs::path& path, std::string_view bytes) {
  const fs::path folder = folder_of(path);
  const fs::path temporary = folder / (temporary_prefix(path) + std::to_string(::getpid()));
  calls_->unlink(temporary.c_str());
  const int fd = calls_->open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) save_failed(path, errno);
  // The new file keeps the old one's permissions.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  try {
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

std::unique_ptr<FileLock> PosixFileSystem::lock(const fs::path& path) {
  const int fd = calls_->open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) save_failed(path, errno);
  while (calls_->flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    calls_->close(fd);
    save_failed(path, error);
  }
  auto held = std::make_unique<PosixLock>(*calls_, fd);
  remove_stale_temporaries(path);
  return held;
}

// Left by a program killed in the middle of a rewrite; nobody else writes while we hold the lock.
void PosixFileSystem::remove_stale_temporaries(const fs::path& path) {
  std::error_code ec;
  const std::string prefix = temporary_prefix(path);
  for (fs::directory_iterator it(folder_of(path), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) == 0) calls_->unlink(it->path().c_str());
  }
}

}  // namespace scores
