#include <QApplication>
#include <iostream>

#include "game/klimbor.h"
#include "scores/native_file_system.h"
#include "scores/score_recording.h"
#include "scores/score_store.h"
#include "ui/qt/display.h"
#include "ui/qt/placement.h"
#include "ui/qt/qt_system.h"

int main(int argc, char** argv) {
  if (!ui::qt::display_available()) {
    std::cerr << ui::qt::no_display_message("Klimbor");
    return 1;
  }
  ui::qt::prepare_scaling();  // each window takes its own whole scale
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the system decides, hidden windows included

  scores::NativeFileSystem files;
  scores::ScoreStore store(files, scores::default_score_path());
  ui::qt::QtSystem system(QStringLiteral("Klimbor"));
  scores::ScoreRecording recording(system, store);
  game::Klimbor window(system,
                       [&recording](game::Klimbor& game) { recording.record(game, game.Timer1); });
  system.show(window);
  return QApplication::exec();
}
