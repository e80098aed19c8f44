#include "scores/posix_calls.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

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
int PosixCalls::stat(const char* path, struct stat* info) {
  return ::stat(path, info);
}
int PosixCalls::fstat(int fd, struct stat* info) {
  return ::fstat(fd, info);
}
int PosixCalls::fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}
int PosixCalls::fchown(int fd, uid_t owner, gid_t group) {
  return ::fchown(fd, owner, group);
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
int PosixCalls::lock(int fd, int command, struct flock* region) {
  return ::fcntl(fd, command, region);
}

void PosixCalls::sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
int PosixCalls::kill(pid_t process, int signal) {
  return ::kill(process, signal);
}

}  // namespace scores
