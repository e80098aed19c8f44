#include <QApplication>
#include <iostream>

#include "game/klimbor.h"
#include "ui/qt/display.h"
#include "ui/qt/qt_system.h"

int main(int argc, char** argv) {
  if (!ui::qt::display_available()) {
    std::cerr << ui::qt::no_display_message("Klimbor");
    return 1;
  }
  // Whole scale factors only: the pixel art then grows in even squares.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the system decides, hidden windows included

  ui::qt::QtSystem system(QStringLiteral("Klimbor"));
  game::Klimbor window(system);
  system.show(window);
  return QApplication::exec();
}
