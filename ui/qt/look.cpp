#include "ui/qt/look.h"

#include <QFontDatabase>
#include <cmath>

namespace ui::qt {

int px(float twips) {
  return static_cast<int>(std::lround(twips / 15.0f));
}

QRect pixel_rect(const Box& box, int inset) {
  return {inset + px(box.Left), inset + px(box.Top), px(box.Width), px(box.Height)};
}

QColor colour(Colour c) {
  return {c.r, c.g, c.b};
}

QString qstr(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

FontChooser::FontChooser() : installed_(QFontDatabase::families()) {}

QFont FontChooser::font(const Font& f) const {
  QString family = qstr(f.family);
  if (!installed_.contains(family)) {
    family = installed_.contains("Comic Neue")
                 ? QStringLiteral("Comic Neue")
                 : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  }
  QFont font(family);
  font.setPixelSize(static_cast<int>(std::lround(f.points * 4.0 / 3.0)));
  font.setBold(f.bold);
  return font;
}

}  // namespace ui::qt
