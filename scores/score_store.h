#pragma once

#include <functional>
#include <memory>

#include "scores/file_system.h"
#include "scores/score_table.h"

namespace scores {

// The best-score file: where it lies and the file system that holds it.
class ScoreStore {
 public:
  ScoreStore(FileSystem& files, Path path);

  const Path& path() const { return path_; }

  // The 30 places as the file holds them now; a longer file is read no further.
  ScoreTable load_places() const;
  // The one way to change the file: under the lock, the edit works on an image of the whole
  // file, which then replaces the file in one step if the edit changed it. A file far larger
  // than any table is refused untouched.
  void rewrite(const std::function<void(ScoreTable&)>& edit);

 private:
  ScoreTable load_whole() const;

  FileSystem& files_;
  Path path_;
};

// "C:\scores klimbor" on Windows; in a browser, "scores klimbor" in the site's store; elsewhere
// "scores klimbor" in the user's home folder.
Path default_score_path();

}  // namespace scores
