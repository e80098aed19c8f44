#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

#include "scores/file_system.h"
#include "scores/score_table.h"

namespace scores {

// Far beyond the 3840 bytes of a full table: room for the bytes a foreign program may have put
// after place 30, which a rewrite keeps, without reading a huge file into memory.
inline constexpr std::size_t kTableLimit = 64 * 1024;

// The best-score file: where it lies and the file system that holds it.
class ScoreStore {
 public:
  ScoreStore(FileSystem& files, Path path);

  const Path& path() const { return path_; }

  // The 30 places as the file holds them now; a longer file is read no further.
  ScoreTable load_places() const;
  // The one way to change the file: under the lock, the edit works on an image of the whole
  // file, which then replaces the file in one step if the edit changed it; an image that
  // another writer changed meanwhile is read and edited again. A file far larger than any
  // table is refused untouched.
  void rewrite(const std::function<void(ScoreTable&)>& edit);
  // The whole file, up to kTableLimit bytes; a larger one is refused.
  ScoreTable load_whole() const;
  // The file replaced by these bytes, whatever it held, under the lock and in one step.
  void replace_all(std::string_view bytes);

 private:
  ScoreTable load_whole(const Path& file) const;

  FileSystem& files_;
  Path path_;
};

// "C:\scores klimbor" on Windows; in a browser, "scores klimbor" in the site's store; elsewhere
// "scores klimbor" in the user's home folder.
Path default_score_path();

}  // namespace scores
