#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "scores/path.h"

// What the POSIX, the Windows and the browser's file layers share: the French sentences of their
// errors and the files they keep beside the table.
namespace scores {

// Why a file operation failed, whatever the system called it.
enum class Reason {
  no_folder,
  not_a_folder,
  access_denied,
  is_a_folder,
  disk_full,
  quota_exceeded,
  read_only_disk,
  io_error,
  path_too_long,
  too_many_links,
  too_many_open_files,
  not_a_file,
  named_pipe,
  socket,
  device,
  in_use,
  no_drive,
  drive_not_ready,
  bad_name,
  storage_full,     // the browser's: it keeps a share of the disk for each site
  storage_refused,  // the browser's: storage turned off for the site, or for this kind of page
  no_storage,       // the browser's: no IndexedDB at all
};

std::string french(Reason reason);

struct KnownError {
  long code;
  Reason reason;
};

// The French reason of a system's error code; "erreur système N" for a code not listed.
std::string french(long code, std::initializer_list<KnownError> known);

// The path as the messages show it: UTF-8, whatever the system's own form.
std::string utf8_of(const Path& path);

[[noreturn]] void read_failed(const Path& path, const std::string& reason);
// Always said of a table left as it was: every failure comes before the table is replaced.
[[noreturn]] void save_failed(const Path& path, const std::string& reason);

// A game rewrites the table in milliseconds: a lock held for seconds belongs to a program that
// is stuck (stopped mid-rewrite, a network lock service that hangs). The lock is tried without
// waiting, again after each pause, and given up once the pauses add up to kLockWaitMs.
constexpr int kLockPauseMs = 100;
constexpr int kLockWaitMs = 3000;
// Said of a table left as it was, naming the lock file that another program holds (beside the
// table, or beside the file a link at the table's path leads to).
[[noreturn]] void lock_held(const Path& table, const Path& lock_file);
[[noreturn]] void lock_held(const Path& table);
// The same in a browser, whose lock every page of the site shares and which has no file.
[[noreturn]] void lock_held_in_browser(const Path& table);

Path folder_of(const Path& path);
// The lock file (".scores klimbor.lock") and the temporary files (".scores klimbor.tmp.PID").
Path lock_file_of(const Path& table);
Path temporary_of(const Path& table, unsigned long process);

// Whether a name in the table's folder is one of its temporaries, as a program killed in the
// middle of a rewrite leaves them behind: each file layer removes those it finds under the lock,
// while nobody else writes.
bool is_temporary_of(const Path& table, std::basic_string_view<Path::value_type> name);

}  // namespace scores
