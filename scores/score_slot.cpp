#include "scores/score_slot.h"

#include <algorithm>
#include <cstdint>

#include "scores/cp1252.h"
#include "ui/runtime_error.h"

namespace scores {

namespace {

std::uint16_t read_u16(const Slot& slot, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(slot[at]) |
                                    static_cast<std::uint8_t>(slot[at + 1]) << 8);
}

void write_u16(Slot& slot, std::size_t at, std::uint16_t value) {
  slot[at] = static_cast<char>(value & 0xFF);
  slot[at + 1] = static_cast<char>(value >> 8);
}

}  // namespace

Module1::ScoreRecord decode_slot(const Slot& slot) {
  Module1::ScoreRecord record;
  record.pseudo = cp1252::decode(std::string_view(slot.data(), kPseudoLength));
  record.score = static_cast<Module1::Integer>(read_u16(slot, 30));
  const std::size_t length = std::min<std::size_t>(read_u16(slot, 32), kCommentMax);
  record.comment = cp1252::decode(std::string_view(slot.data() + 34, length));
  return record;
}

Slot encode_slot(const Module1::ScoreRecord& record) {
  const std::string comment = cp1252::encode(record.comment);
  if (comment.size() > kCommentMax) throw ui::RuntimeError("Longueur d'enregistrement incorrecte");
  std::string pseudo = cp1252::encode(record.pseudo);
  pseudo.resize(kPseudoLength, ' ');
  Slot slot{};
  std::copy(pseudo.begin(), pseudo.end(), slot.begin());
  write_u16(slot, 30, static_cast<std::uint16_t>(record.score));
  write_u16(slot, 32, static_cast<std::uint16_t>(comment.size()));
  std::copy(comment.begin(), comment.end(), slot.begin() + 34);
  return slot;
}

std::string fixed30(std::string_view text) {
  std::string out = cp1252::left(text, kPseudoLength);
  out.append(kPseudoLength - cp1252::length(out), ' ');
  return out;
}

}  // namespace scores
