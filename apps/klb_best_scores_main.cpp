#include <QApplication>
#include <iostream>

#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "ui/qt/display.h"
#include "ui/qt/placement.h"
#include "ui/qt/qt_system.h"

int main(int argc, char** argv) {
  if (!ui::qt::display_available()) {
    std::cerr << ui::qt::no_display_message("klb best scores");
    return 1;
  }
  ui::qt::prepare_scaling();  // each window takes its own whole scale
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  scores::NativeFileSystem files;
  scores::ScoreStore store(files, scores::default_score_path());
  ui::qt::QtSystem system(QStringLiteral("klb best scores"));
  scores::frm_visualiser viewer(system, store);
  system.show(viewer);
  return QApplication::exec();
}
