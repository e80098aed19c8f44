#pragma once

#include <filesystem>
#include <memory>

#include "scores/file_system.h"
#include "scores/score_table.h"

namespace scores {

// The best-score file: where it lies and the file system that holds it.
class ScoreStore {
 public:
  ScoreStore(FileSystem& files, std::filesystem::path path);

  const std::filesystem::path& path() const { return path_; }

  // The 30 places as the file holds them now; a longer file is read no further.
  ScoreTable load_places() const;
  // The whole file, to be rewritten; a file far larger than any table is refused untouched.
  ScoreTable load_for_rewrite() const;
  // Puts a table in the file's place in one atomic step.
  void save(const ScoreTable& table);
  std::unique_ptr<FileLock> lock();

 private:
  FileSystem& files_;
  std::filesystem::path path_;
};

// "C:\scores klimbor" on Windows; elsewhere "scores klimbor" in the user's home folder.
std::filesystem::path default_score_path();

}  // namespace scores
