#pragma once

#include <cstdint>
#include <optional>

#include "scores/score_store.h"
#include "scores/score_table.h"

namespace scores {

// The best-score file as the viewer and the tests use it: places read into and written from the
// one buffer Module1::score_rec. Opening takes the table as it is at that moment, so a reader
// never sees half of a rewrite; closing a file opened for writing saves what changed.
class ScoreFile {
 public:
  explicit ScoreFile(ScoreStore& store) : store_(store) {}

  void open_for_reading();
  void open_for_writing();
  bool is_open() const { return table_.has_value(); }

  void read_place(int place);
  // The place after the one read last; the first place right after opening.
  void read_next();
  // True once the end of the file lies at or before the end of the last place read.
  bool at_end() const;
  void write_place(int place);
  // Closing a file that is not open does nothing.
  void close();

 private:
  ScoreTable& table();

  ScoreStore& store_;
  std::optional<ScoreTable> table_;
  bool writing_ = false;
  int next_place_ = 1;
};

}  // namespace scores
