#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "failing_files.h"
#include "score_support.h"
#include "scores/win32_calls.h"

namespace test {

namespace {

DWORD error_of(Failure failure) {
  switch (failure) {
    case Failure::disk_full:
      return ERROR_DISK_FULL;
    case Failure::access_denied:
      return ERROR_ACCESS_DENIED;
    case Failure::io_error:
      return ERROR_IO_DEVICE;
  }
  return ERROR_IO_DEVICE;
}

// Fails one step of a rewrite with the given error, as a full disk or a broken drive would.
class FailingCalls : public scores::Win32Calls {
 public:
  FailingCalls(Step step, DWORD error) : step_(step), error_(error) {}
  // A search read to its end holds no handle that Wine counts (open_descriptors): the searches
  // of the folder are counted here.
  ~FailingCalls() override { EXPECT_EQ(searches_, 0) << "a search of the folder left open"; }

  HANDLE create_file(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                     DWORD attributes) override {
    const bool temporary = disposition == CREATE_NEW;
    if (step_ == Step::create_temporary && temporary) {
      fail();
      return INVALID_HANDLE_VALUE;
    }
    HANDLE file = Win32Calls::create_file(path, access, sharing, disposition, attributes);
    if (temporary) temporary_ = file;
    return file;
  }
  BOOL lock_file(HANDLE file, DWORD flags, OVERLAPPED* region) override {
    return step_ == Step::lock ? fail() : Win32Calls::lock_file(file, flags, region);
  }
  BOOL read_file(HANDLE file, void* buffer, DWORD count, DWORD* done) override {
    return step_ == Step::read ? fail() : Win32Calls::read_file(file, buffer, count, done);
  }
  BOOL write_file(HANDLE file, const void* buffer, DWORD count, DWORD* done) override {
    if (step_ == Step::write) return fail();
    if (step_ == Step::write_nothing) {
      *done = 0;
      return TRUE;
    }
    if (step_ == Step::partial_write) {
      if (writes_++ > 0) return fail();
      return Win32Calls::write_file(file, buffer, count / 2, done);
    }
    return Win32Calls::write_file(file, buffer, count, done);
  }
  BOOL flush_file_buffers(HANDLE file) override {
    return step_ == Step::flush ? fail() : Win32Calls::flush_file_buffers(file);
  }
  BOOL close_handle(HANDLE handle) override {
    const BOOL result = Win32Calls::close_handle(handle);
    return step_ == Step::close && handle == temporary_ ? fail() : result;
  }
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    return step_ == Step::replace ? fail() : Win32Calls::move_file(from, to, flags);
  }
  HANDLE find_first_file(const wchar_t* pattern, WIN32_FIND_DATAW* found) override {
    HANDLE search = Win32Calls::find_first_file(pattern, found);
    if (search != INVALID_HANDLE_VALUE) ++searches_;
    return search;
  }
  BOOL find_close(HANDLE search) override {
    --searches_;
    return Win32Calls::find_close(search);
  }
  void sleep(DWORD) override {}  // a refused move is tried again at once: tests never wait

 private:
  BOOL fail() {
    ::SetLastError(error_);
    return FALSE;
  }
  Step step_;
  DWORD error_;
  int writes_ = 0;
  int searches_ = 0;
  HANDLE temporary_ = INVALID_HANDLE_VALUE;
};

class PeekingCalls : public scores::Win32Calls {
 public:
  explicit PeekingCalls(std::function<void(bool)> peek) : peek_(std::move(peek)) {}
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    peek_(false);
    const BOOL result = Win32Calls::move_file(from, to, flags);
    peek_(true);
    return result;
  }

 private:
  std::function<void(bool)> peek_;
};

class LosingTheTemporary : public scores::Win32Calls {
 public:
  BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    Win32Calls::delete_file(from);
    return Win32Calls::move_file(from, to, flags);
  }
};

// A process alive opens as this one, which runs. A process gone is answered in either of the
// ways Windows answers: an odd number names no process; an even one opens as a process that has
// ended, which another program still holds open.
class SeeingAlive : public scores::Win32Calls {
 public:
  explicit SeeingAlive(std::function<bool(unsigned long)> alive) : alive_(std::move(alive)) {}
  HANDLE open_process(DWORD access, DWORD process) override {
    if (alive_(process) || process % 2 == 0) {
      const HANDLE opened = Win32Calls::open_process(access, ::GetCurrentProcessId());
      ended_ = alive_(process) ? nullptr : opened;  // a handle's value is used again once closed
      return opened;
    }
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  BOOL get_exit_code_process(HANDLE process, DWORD* code) override {
    if (process != ended_) return Win32Calls::get_exit_code_process(process, code);
    *code = 0;
    return TRUE;
  }

 private:
  std::function<bool(unsigned long)> alive_;
  HANDLE ended_ = nullptr;
};

}  // namespace

// Counted by the system; Wine counts none, so there every handle value is tried instead (handles
// are numbered by fours, and a test holds a few hundred at most).
int open_descriptors() {
  DWORD handles = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &handles) && handles > 0)
    return static_cast<int>(handles);
  int open = 0;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

scores::NativeFileSystem failing_files(Step step, Failure failure) {
  return scores::Win32FileSystem(std::make_unique<FailingCalls>(step, error_of(failure)));
}

scores::NativeFileSystem peeking_files(std::function<void(bool)> peek) {
  return scores::Win32FileSystem(std::make_unique<PeekingCalls>(std::move(peek)));
}

scores::NativeFileSystem files_losing_the_temporary() {
  return scores::Win32FileSystem(std::make_unique<LosingTheTemporary>());
}

scores::NativeFileSystem files_seeing_alive(std::function<bool(unsigned long)> alive) {
  return scores::Win32FileSystem(std::make_unique<SeeingAlive>(std::move(alive)));
}

}  // namespace test
