#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scores/path.h"

namespace scores {

struct FileBytes {
  std::string bytes;       // from the start of the file, up to the limit asked
  std::uint64_t size = 0;  // the whole file
};

// Held while it lives; released when destroyed.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// What the score code needs of the file system. Failures are ui::RuntimeError with a French
// description that names the path.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // A missing file reads as an empty one and stays missing. Anything but a regular file is
  // refused at once, never waited on.
  virtual FileBytes read(const Path& path, std::size_t limit) = 0;
  // Replaces the file's content in one step: a reader sees the old bytes or the new, never a
  // mix, and a failure at any point leaves the old file as it was. A file the user may not
  // write is refused untouched.
  virtual void replace(const Path& path, std::string_view bytes) = 0;
  // An exclusive lock for rewriting the file, shared with every program using the same path;
  // null where the file system has no locks at all.
  virtual std::unique_ptr<FileLock> lock(const Path& path) = 0;
};

}  // namespace scores
