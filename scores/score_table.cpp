#include "scores/score_table.h"

#include <algorithm>
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
  const std::size_t at = offset_of(place);
  Slot slot{};
  if (at < bytes_.size()) {
    const std::size_t n = std::min(kSlotSize, bytes_.size() - at);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at), n, slot.begin());
  }
  return decode_slot(slot);
}

void ScoreTable::write(int place, const Module1::ScoreRecord& record) {
  const Slot slot = encode_slot(record);  // refuses an oversized comment before any change
  const std::size_t at = offset_of(place);
  if (bytes_.size() < at + kSlotSize) bytes_.resize(at + kSlotSize, '\0');
  std::copy(slot.begin(), slot.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  changed_ = true;
}

}  // namespace scores
