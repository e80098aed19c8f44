#include "scores/score_file.h"

#include <utility>

#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

void ScoreFile::open_for_reading() {
  open_image(store_.load_places());
}

void ScoreFile::open_image(ScoreTable table) {
  table_ = std::move(table);
  next_place_ = 1;
}

void ScoreFile::read_place(int place) {
  if (!table_) throw ui::RuntimeError("Le fichier des scores n'est pas ouvert");
  Module1::score_rec = table_->read(place);
  next_place_ = place + 1;
}

void ScoreFile::read_next() {
  read_place(next_place_);
}

bool ScoreFile::at_end() const {
  if (!table_) return true;
  return table_->file_size() <= static_cast<std::uint64_t>(next_place_ - 1) * kSlotSize;
}

}  // namespace scores
