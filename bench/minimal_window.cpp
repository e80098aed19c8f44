// The floor for start-up and memory: the smallest Qt Widgets program with a window of the game's
// size and colour.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("minimal"));
  window.setFixedSize(129, 278);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(255, 128, 0));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.show();
  return QApplication::exec();
}
