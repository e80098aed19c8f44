#pragma once

#include "ui/form.h"
#include "ui/system.h"

namespace scores {

// Offers Module1::score to the best-score table, then gives the game window's place to the
// viewer window. Called by the game tick once the player has chosen "Valider".
void record_score(ui::System& system, ui::Form& game_window);

}  // namespace scores
