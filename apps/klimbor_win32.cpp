#include "game/klimbor.h"
#include "scores/native_file_system.h"
#include "scores/score_recording.h"
#include "scores/score_store.h"
#include "ui/win32/win32_system.h"

int main() {
  scores::NativeFileSystem files;
  scores::ScoreStore store(files, scores::default_score_path());
  ui::win32::Win32System system(L"Klimbor");
  scores::ScoreRecording recording(system, store);
  game::Klimbor window(system,
                       [&recording](game::Klimbor& game) { recording.record(game, game.Timer1); });
  system.show(window);
  return system.run();
}
