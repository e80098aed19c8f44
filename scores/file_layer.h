#pragma once

#include <initializer_list>
#include <optional>
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
// Said of a table left as it was, naming a lock file beside it that another user made and that
// this one may neither open nor replace.
[[noreturn]] void lock_closed(const Path& table, const Path& lock_file);
// Said of a table left as it was, when the temporary file of the rewrite was removed by another
// program before it could replace the table.
[[noreturn]] void temporary_vanished(const Path& table, const Path& temporary);

Path folder_of(const Path& path);
// The lock file (".scores klimbor.lock") and the temporary files (".scores klimbor.tmp.PID").
Path lock_file_of(const Path& table);
Path temporary_of(const Path& table, unsigned long process);

// The process that writes a temporary of the table, from its name in the table's folder; none
// for any other name. A program killed in the middle of a rewrite leaves its temporary behind:
// each file layer removes, under the lock, those whose process is gone, and never the temporary
// of a process still alive, which may be writing it.
std::optional<unsigned long> writer_of_temporary(const Path& table,
                                                 std::basic_string_view<Path::value_type> name);

}  // namespace scores
