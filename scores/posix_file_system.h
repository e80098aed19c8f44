#pragma once

#include <memory>

#include "scores/file_system.h"
#include "scores/posix_calls.h"

namespace scores {

// The score file on a POSIX system. A rewrite goes to a temporary file beside the score file,
// is flushed to disk, renamed over the old file and the folder flushed in turn: a crash at any
// moment leaves the old table or the new one. The lock is an flock on the folder, so it needs no
// file of its own and dies with the process that holds it.
class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(std::unique_ptr<PosixCalls> calls = std::make_unique<PosixCalls>());

  FileBytes read(const std::filesystem::path& path, std::size_t limit) override;
  void replace(const std::filesystem::path& path, std::string_view bytes) override;
  std::unique_ptr<FileLock> lock(const std::filesystem::path& path) override;

 private:
  void write_all(int fd, std::string_view bytes);
  void remove_stale_temporaries(const std::filesystem::path& path);

  std::unique_ptr<PosixCalls> calls_;
};

// Why a call failed, in French, from its errno.
std::string french_reason(int error);

}  // namespace scores
