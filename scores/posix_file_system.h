#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>

#include "scores/file_system.h"
#include "scores/posix_calls.h"

namespace scores {

// The score file on a POSIX system. A rewrite goes to a temporary file beside the table, is
// flushed to disk, renamed over the old file and the folder flushed in turn: a crash at any
// moment leaves the old table or the new one. A symbolic link at the path stays a link: resolve
// gives the file it leads to, which is the one locked, read and replaced. Only a regular file is
// ever read or replaced, and one the user may not write is left alone.
class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(std::unique_ptr<PosixCalls> calls = std::make_unique<PosixCalls>());

  std::filesystem::path resolve(const std::filesystem::path& path) override;
  FileBytes read(const std::filesystem::path& path, std::size_t limit) override;
  void replace(const std::filesystem::path& path, std::string_view bytes) override;
  std::unique_ptr<FileLock> lock(const std::filesystem::path& path) override;

 private:
  std::string read_all(int fd, std::size_t limit);
  bool writable_table(const std::filesystem::path& path, struct stat& old);
  void keep_owner_and_mode(int fd, const struct stat& old);
  void write_all(int fd, std::string_view bytes);
  bool take(int fd, short type, const std::filesystem::path& table,
            const std::filesystem::path& lock_file, int& waited);
  void share_lock_file(int fd, const std::filesystem::path& table);
  bool reopen_lock_file(const std::filesystem::path& table, const std::filesystem::path& lock_file,
                        int& waited);
  bool still_named(int fd, const std::filesystem::path& lock_file);
  bool alive(unsigned long process);
  void remove_stale_temporaries(const std::filesystem::path& table);

  std::unique_ptr<PosixCalls> calls_;
};

// Why a call failed, in French, from its errno.
std::string french_reason(int error);

// What a path holds when it is not a regular file ("c'est un tube nommé, pas un fichier"), or
// the empty text for a regular file.
std::string not_a_file_reason(mode_t mode);

// The file a path leads to, following symbolic links; the path itself when it is none.
std::filesystem::path link_target(const std::filesystem::path& path);

}  // namespace scores
