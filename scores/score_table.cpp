#include "scores/score_table.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

namespace {

std::size_t offset_of(int place) {
  if (place < 1) throw ui::RuntimeError("Numéro d'enregistrement incorrect");
  return static_cast<std::size_t>(place - 1) * kSlotSize;
}

}  // namespace

ScoreTable::ScoreTable(std::string bytes, std::uint64_t file_size)
    : bytes_(std::move(bytes)), size_(std::max<std::uint64_t>(file_size, bytes_.size())) {}

Module1::ScoreRecord ScoreTable::read(int place) const {
  // The bytes of the slot that the file holds; the rest reads as zeros.
  const std::string_view held =
      std::string_view(bytes_).substr(std::min(offset_of(place), bytes_.size()), kSlotSize);
  Slot slot{};
  std::copy(held.begin(), held.end(), slot.begin());
  return decode_slot(slot);
}

void ScoreTable::write(int place, const Module1::ScoreRecord& record) {
  const Slot slot = encode_slot(record);  // refuses an oversized comment before any change
  const std::size_t at = offset_of(place);
  bytes_.resize(std::max(bytes_.size(), at + kSlotSize), '\0');
  std::copy(slot.begin(), slot.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  changed_ = true;
}

}  // namespace scores
