#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "failing_files.h"
#include "score_support.h"

namespace test {

namespace {

int error_of(Failure failure) {
  switch (failure) {
    case Failure::disk_full:
      return ENOSPC;
    case Failure::access_denied:
      return EACCES;
    case Failure::io_error:
      return EIO;
  }
  return EIO;
}

// Fails one step of a rewrite with the given error, as a full disk or a broken drive would.
class FailingCalls : public scores::PosixCalls {
 public:
  FailingCalls(Step step, int error) : step_(step), error_(error) {}

  int open(const char* path, int flags, mode_t mode) override {
    const bool temporary = (flags & O_CREAT) && (flags & O_EXCL);
    if (step_ == Step::create_temporary && temporary) return fail();
    const int fd = PosixCalls::open(path, flags, mode);
    if (temporary) temporary_ = fd;
    return fd;
  }
  int lock(int fd, int command, struct flock* region) override {
    return step_ == Step::lock ? fail() : PosixCalls::lock(fd, command, region);
  }
  ssize_t read(int fd, void* buffer, std::size_t count) override {
    return step_ == Step::read ? fail() : PosixCalls::read(fd, buffer, count);
  }
  ssize_t write(int fd, const void* buffer, std::size_t count) override {
    if (step_ == Step::write) return fail();
    if (step_ == Step::write_nothing) return 0;
    if (step_ == Step::partial_write) {
      if (writes_++ > 0) return fail();
      return PosixCalls::write(fd, buffer, count / 2);
    }
    return PosixCalls::write(fd, buffer, count);
  }
  int fsync(int fd) override { return step_ == Step::flush ? fail() : PosixCalls::fsync(fd); }
  // Some file systems report a failed write only when the file is closed.
  int close(int fd) override {
    const int result = PosixCalls::close(fd);
    return step_ == Step::close && fd == temporary_ ? fail() : result;
  }
  int rename(const char* from, const char* to) override {
    return step_ == Step::replace ? fail() : PosixCalls::rename(from, to);
  }

 private:
  int fail() {
    errno = error_;
    return -1;
  }
  Step step_;
  int error_;
  int writes_ = 0;
  int temporary_ = -1;
};

class PeekingCalls : public scores::PosixCalls {
 public:
  explicit PeekingCalls(std::function<void(bool)> peek) : peek_(std::move(peek)) {}
  int rename(const char* from, const char* to) override {
    peek_(false);
    const int result = PosixCalls::rename(from, to);
    peek_(true);
    return result;
  }

 private:
  std::function<void(bool)> peek_;
};

class LosingTheTemporary : public scores::PosixCalls {
 public:
  int rename(const char* from, const char* to) override {
    PosixCalls::unlink(from);
    return PosixCalls::rename(from, to);
  }
};

class SeeingAlive : public scores::PosixCalls {
 public:
  explicit SeeingAlive(std::function<bool(unsigned long)> alive) : alive_(std::move(alive)) {}
  int kill(pid_t process, int signal) override {
    if (signal != 0) return PosixCalls::kill(process, signal);
    if (alive_(static_cast<unsigned long>(process))) return 0;
    errno = ESRCH;
    return -1;
  }

 private:
  std::function<bool(unsigned long)> alive_;
};

}  // namespace

int open_descriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++n;
  return n;
}

scores::NativeFileSystem failing_files(Step step, Failure failure) {
  return scores::PosixFileSystem(std::make_unique<FailingCalls>(step, error_of(failure)));
}

scores::NativeFileSystem peeking_files(std::function<void(bool)> peek) {
  return scores::PosixFileSystem(std::make_unique<PeekingCalls>(std::move(peek)));
}

scores::NativeFileSystem files_losing_the_temporary() {
  return scores::PosixFileSystem(std::make_unique<LosingTheTemporary>());
}

scores::NativeFileSystem files_seeing_alive(std::function<bool(unsigned long)> alive) {
  return scores::PosixFileSystem(std::make_unique<SeeingAlive>(std::move(alive)));
}

}  // namespace test
