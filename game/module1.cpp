#include "game/module1.h"

#include <cmath>
#include <limits>

#include "ui/runtime_error.h"

namespace Module1 {

Integer rival_step;
Integer player_dy;
Integer player_dx;
Flag boost_on;
Integer score;
Integer level;
Integer end_choice;
Integer place;
Flag placed;
ScoreRecord score_rec;
std::string tmp_pseudo;
Integer tmp_score;
std::string tmp_comment;
std::string new_pseudo;
std::string new_comment;
Integer grid_row;

void reset() {
  rival_step = player_dy = player_dx = 0;
  boost_on = 0;
  score = level = end_choice = place = 0;
  placed = 0;
  score_rec = ScoreRecord{};
  tmp_pseudo.clear();
  tmp_score = 0;
  tmp_comment.clear();
  new_pseudo.clear();
  new_comment.clear();
  grid_row = 0;
}

Integer checked(long value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max()) {
    throw ui::RuntimeError(ui::kOverflow);
  }
  return static_cast<Integer>(value);
}

Integer cint(double value) {
  // nearbyint follows the default rounding mode: to nearest, halves to even.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<Integer>::min() &&
        rounded <= std::numeric_limits<Integer>::max())) {
    throw ui::RuntimeError(ui::kOverflow);
  }
  return static_cast<Integer>(rounded);
}

// The product is formed in double: in float, r just below 1 times 17 or 20 could round up to
// the constant itself and leave the range.
Integer normal_drift(float r) {
  return cint(std::floor(static_cast<double>(r) * 17.0) + 5);
}

Integer boosted_drift(float r) {
  return cint(-std::floor(static_cast<double>(r) * 20.0) - 7);
}

}  // namespace Module1
