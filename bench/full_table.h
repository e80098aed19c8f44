#pragma once

#include <string>

#include "game/module1.h"
#include "scores/score_slot.h"

// The bytes of a full table: 30 places, scores 3000 down to 100.
inline std::string full_table_bytes() {
  std::string all;
  for (int place = 1; place <= 30; ++place) {
    const Module1::ScoreRecord r{scores::fixed30("Joueur " + std::to_string(place)),
                                 static_cast<Module1::Integer>(3100 - 100 * place),
                                 "un commentaire de quelques mots"};
    const scores::Slot slot = scores::encode_slot(r);
    all.append(slot.data(), slot.size());
  }
  return all;
}
