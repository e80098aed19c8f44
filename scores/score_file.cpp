#include "scores/score_file.h"

#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

void ScoreFile::open_for_reading() {
  table_ = store_.load_places();
  writing_ = false;
  next_place_ = 1;
}

void ScoreFile::open_for_writing() {
  table_ = store_.load_for_rewrite();
  writing_ = true;
  next_place_ = 1;
}

ScoreTable& ScoreFile::table() {
  if (!table_) throw ui::RuntimeError("Le fichier des scores n'est pas ouvert");
  return *table_;
}

void ScoreFile::read_place(int place) {
  Module1::score_rec = table().read(place);
  next_place_ = place + 1;
}

void ScoreFile::read_next() {
  read_place(next_place_);
}

bool ScoreFile::at_end() const {
  if (!table_) return true;
  return table_->file_size() <= static_cast<std::uint64_t>(next_place_ - 1) * kSlotSize;
}

void ScoreFile::write_place(int place) {
  if (!writing_) throw ui::RuntimeError("Le fichier des scores n'est pas ouvert en écriture");
  table().write(place, Module1::score_rec);
}

void ScoreFile::close() {
  if (!table_) return;
  // Forget the table first: whether the save works or not, the file is closed.
  const ScoreTable table = std::move(*table_);
  table_.reset();
  if (writing_ && table.changed()) store_.save(table);
}

}  // namespace scores
