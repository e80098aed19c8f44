#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "game/module1.h"

// One place of the best-score table in the file: 128 bytes, little-endian, Windows-1252 text.
//   0   30 bytes  pseudo
//   30  2 bytes   score, signed
//   32  2 bytes   L, length of the comment, unsigned
//   34  L bytes   comment, then filler up to 128
namespace scores {

inline constexpr std::size_t kSlotSize = 128;
inline constexpr int kPlaces = 30;
inline constexpr std::size_t kPseudoLength = 30;
inline constexpr std::size_t kCommentMax = 94;

using Slot = std::array<char, kSlotSize>;

// A slot's record. A comment length above 94, found only in a damaged file, reads 94 bytes:
// nothing outside the slot is ever read.
Module1::ScoreRecord decode_slot(const Slot& slot);

// The slot of a record; the filler is zero. A comment of more than 94 bytes is refused with the
// error "Longueur d'enregistrement incorrecte" before anything is written.
Slot encode_slot(const Module1::ScoreRecord& record);

// Text stored into the 30-character nickname: cut after 30, padded with blanks.
std::string fixed30(std::string_view text);

}  // namespace scores
