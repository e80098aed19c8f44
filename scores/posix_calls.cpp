#include "scores/posix_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

namespace scores {

int PosixCalls::open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t PosixCalls::read(int fd, void* buffer, std::size_t count) {
  return ::read(fd, buffer, count);
}
ssize_t PosixCalls::write(int fd, const void* buffer, std::size_t count) {
  return ::write(fd, buffer, count);
}
int PosixCalls::fstat(int fd, struct stat* info) {
  return ::fstat(fd, info);
}
int PosixCalls::fsync(int fd) {
  return ::fsync(fd);
}
int PosixCalls::rename(const char* from, const char* to) {
  return std::rename(from, to);
}
int PosixCalls::unlink(const char* path) {
  return ::unlink(path);
}
int PosixCalls::close(int fd) {
  return ::close(fd);
}
int PosixCalls::flock(int fd, int operation) {
  return ::flock(fd, operation);
}

}  // namespace scores
