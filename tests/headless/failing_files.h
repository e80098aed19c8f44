#pragma once

#include <functional>
#include <ostream>

#include "scores/native_file_system.h"

// The native file layer with one step of a rewrite failing, through its seam (PosixCalls or
// Win32Calls): the same cases on every platform.
namespace test {

enum class Step {
  read,
  lock,
  create_temporary,
  write,
  partial_write,
  write_nothing,  // a write that takes no byte: a full disk, as some file systems tell it
  flush,
  close,
  replace
};
enum class Failure { disk_full, access_denied, io_error };

inline const char* name_of(Step step) {
  const char* names[] = {"Read",         "Lock",  "CreateTemporary", "Write",  "PartialWrite",
                         "WriteNothing", "Flush", "Close",           "Replace"};
  return names[static_cast<int>(step)];
}

inline void PrintTo(Step step, std::ostream* os) {
  *os << name_of(step);
}

scores::NativeFileSystem failing_files(Step step, Failure failure);

// The native file layer calling peek right before and right after the table is replaced.
scores::NativeFileSystem peeking_files(std::function<void(bool replaced)> peek);

// On a disk only (folder_files_test.cpp): the native file layer whose temporary file another
// program removes right before it is moved over the table, as a sweep of stale temporaries
// would have done to a writer still at work.
scores::NativeFileSystem files_losing_the_temporary();
// On a disk only: the native file layer that takes a process for alive exactly when alive says
// so, instead of asking the system.
scores::NativeFileSystem files_seeing_alive(std::function<bool(unsigned long process)> alive);

}  // namespace test
