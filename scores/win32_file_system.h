#pragma once

#include <memory>
#include <string>

#include "scores/file_system.h"

// No <windows.h> here: its macros (far, near, ERROR...) would reach every user of the layer.
namespace scores {

class Win32Calls;

// The score file on Windows, under the same rules as on POSIX systems. A rewrite goes to a
// temporary file beside the table, is flushed to disk and moved over the old file with
// write-through: a crash at any moment leaves the old table or the new one. A symbolic link at
// the path stays a link: resolve gives the file it leads to, which is the one locked, read and
// replaced. Only a file on a disk is ever read or replaced, and one the user may not write is
// left alone. Paths are wide throughout, so a folder named with accents is reached as it is
// named.
class Win32FileSystem final : public FileSystem {
 public:
  Win32FileSystem();
  explicit Win32FileSystem(std::unique_ptr<Win32Calls> calls);
  Win32FileSystem(Win32FileSystem&&) noexcept;
  Win32FileSystem& operator=(Win32FileSystem&&) noexcept;
  ~Win32FileSystem() override;

  Path resolve(const Path& path) override;
  FileBytes read(const Path& path, std::size_t limit) override;
  void replace(const Path& path, std::string_view bytes) override;
  std::unique_ptr<FileLock> lock(const Path& path) override;

 private:
  unsigned long writable_table(const Path& path);
  void move_into_place(const Path& path, const Path& temporary);

  std::unique_ptr<Win32Calls> calls_;
};

// Why a call failed, in French, from its Win32 error code (a DWORD).
std::string french_reason(unsigned long error);

// What an open handle leads to when it is not a file on a disk ("c'est un tube nommé, pas un
// fichier"), from GetFileType; the empty text for a file.
std::string not_a_file_reason(unsigned long file_type);

// The same for a path in the device namespace ("\\.\pipe\...", "\\.\COM1"), which is refused
// without being opened; the empty text for any other path.
std::string device_path_reason(const Path& path);

}  // namespace scores
