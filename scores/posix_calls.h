#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace scores {

// The system calls the POSIX file system makes, one virtual each, so that a failure can be
// injected at any step of a rewrite.
class PosixCalls {
 public:
  virtual ~PosixCalls() = default;
  virtual int open(const char* path, int flags, mode_t mode);
  virtual ssize_t read(int fd, void* buffer, std::size_t count);
  virtual ssize_t write(int fd, const void* buffer, std::size_t count);
  virtual int fstat(int fd, struct stat* info);
  virtual int fsync(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int close(int fd);
  virtual int flock(int fd, int operation);
};

}  // namespace scores
