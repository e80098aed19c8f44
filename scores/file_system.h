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
//
// A rewrite resolves the table's path once, at its start (resolve), and hands the file found to
// lock, read and replace alike: the file locked is the file read and the file replaced, even if
// a symbolic link at the path is pointed elsewhere meanwhile. lock and replace take the path as
// it stands and follow no link at its end themselves.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The file that the path leads to: a symbolic link at the path is followed to its target,
  // which may not exist yet; any other path is itself. Where a store has no links, the path.
  virtual Path resolve(const Path& path) { return path; }
  // A missing file reads as an empty one and stays missing. Anything but a regular file is
  // refused at once, never waited on.
  virtual FileBytes read(const Path& path, std::size_t limit) = 0;
  // Replaces the file's content in one step: a reader sees the old bytes or the new, never a
  // mix, and a failure at any point leaves the old file as it was. A file the user may not
  // write is refused untouched.
  virtual void replace(const Path& path, std::string_view bytes) = 0;
  // replace, made only if the file still holds the bytes read at the start of the rewrite:
  // false, the file left as it is, when another program changed it meanwhile. A store whose
  // lock may be missing while others write (a browser without Web Locks) checks it in the same
  // step as the write; under a lock that keeps every writer out, nobody can have changed it.
  virtual bool replace_if_unchanged(const Path& path, std::string_view read,
                                    std::string_view bytes) {
    static_cast<void>(read);
    replace(path, bytes);
    return true;
  }
  // An exclusive lock for rewriting the file, shared with every program using the same path and
  // open to every user who may write the file; null where the file system has no locks at all.
  virtual std::unique_ptr<FileLock> lock(const Path& path) = 0;
};

}  // namespace scores
