#pragma once

#include <cstdint>
#include <optional>

#include "scores/score_store.h"
#include "scores/score_table.h"

namespace scores {

// The best-score file as the viewer reads it: places read into the one buffer
// Module1::score_rec. Opening takes the table as it is at that moment, so a reader never sees
// half of a rewrite. Writing goes through ScoreStore::rewrite alone, under the lock.
class ScoreFile {
 public:
  explicit ScoreFile(ScoreStore& store) : store_(store) {}

  void open_for_reading();
  // An image of a table that is not the file (one the player brings), read as the file is.
  void open_image(ScoreTable table);
  bool is_open() const { return table_.has_value(); }

  void read_place(int place);
  // The place after the one read last; the first place right after opening.
  void read_next();
  // True once the end of the file lies at or before the end of the last place read.
  bool at_end() const;
  // Closing a file that is not open does nothing.
  void close() { table_.reset(); }

 private:
  ScoreStore& store_;
  std::optional<ScoreTable> table_;
  int next_place_ = 1;
};

}  // namespace scores
