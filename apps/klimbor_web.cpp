#include <memory>

#include "game/klimbor.h"
#include "scores/native_file_system.h"
#include "scores/score_recording.h"
#include "scores/score_store.h"
#include "ui/web/web_system.h"

namespace {

// The game as the page holds it: it lives as long as the page.
struct Game {
  scores::NativeFileSystem files;
  scores::ScoreStore store{files, scores::default_score_path()};
  ui::web::WebSystem system{"Klimbor"};
  scores::ScoreRecording recording{system, store};
  game::Klimbor window{system,
                       [this](game::Klimbor& game) { recording.record(game, game.Timer1); }};
};

}  // namespace

int main() {
  auto game = std::make_shared<Game>();
  ui::web::keep_alive(game);
  game->system.show(game->window);
  return 0;
}
