#pragma once

#include <cstdint>
#include <string>

// The state of the game and of the best-score work: one set of variables per program, zeroed at
// start, read and written directly by every handler.
namespace Module1 {

using Integer = std::int16_t;  // every update checked against -32768..32767
using Flag = std::int16_t;     // 0 (off) or 1 (on)

// One place of the best-score table. Text is held as UTF-8; pseudo holds exactly 30 characters.
struct ScoreRecord {
  std::string pseudo = std::string(30, '\0');
  Integer score = 0;
  std::string comment;
};

extern Integer rival_step;
extern Integer player_dy;
extern Integer player_dx;
extern Flag boost_on;
extern Integer score;
extern Integer level;
extern Integer end_choice;
extern Integer place;
extern Flag placed;
extern ScoreRecord score_rec;
extern std::string tmp_pseudo;
extern Integer tmp_score;
extern std::string tmp_comment;
extern std::string new_pseudo;
extern std::string new_comment;
extern Integer grid_row;

// Back to the start values, as at program start.
void reset();

// A whole number as an Integer, or the overflow error when it leaves the 16-bit range.
Integer checked(long value);
// A float rounded to the nearest Integer (halves to even), or the overflow error.
Integer cint(double value);

// Drifts of the player's spider from a draw r, 0 <= r < 1.
Integer normal_drift(float r);   // 5 to 21: drifts left
Integer boosted_drift(float r);  // -26 to -7: drifts right

}  // namespace Module1
