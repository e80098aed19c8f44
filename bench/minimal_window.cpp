// The floors for start-up and memory: the smallest Qt Widgets program with a window of the
// game's size and colour; built a second time (KLB_WITH_TEXT) with one line of text in it, which
// is what brings in the font machinery (fontconfig) that every program drawing text pays for.
#include <QApplication>
#include <QLabel>
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
#ifdef KLB_WITH_TEXT
  QLabel text(QStringLiteral("Niveau 1"), &window);
  text.move(40, 40);
#endif
  window.show();
  return QApplication::exec();
}
