#pragma once

#include <fcntl.h>
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
  virtual int stat(const char* path, struct stat* info);
  virtual int fstat(int fd, struct stat* info);
  virtual int fchmod(int fd, mode_t mode);
  virtual int fchown(int fd, uid_t owner, gid_t group);
  virtual int fsync(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int close(int fd);
  // fcntl with a struct flock: F_OFD_SETLK and F_SETLK.
  virtual int lock(int fd, int command, struct flock* region);
  // The pause between two tries of a lock another program holds.
  virtual void sleep(int milliseconds);
  // kill with signal 0: whether a process is there, without a signal sent.
  virtual int kill(pid_t process, int signal);
};

}  // namespace scores
