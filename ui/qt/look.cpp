#include "ui/qt/look.h"

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

QFont font_for(const Font& f) {
  QFont font;
  font.setFamilies({qstr(f.family), QStringLiteral("Comic Neue"), QStringLiteral("sans-serif")});
  font.setPixelSize(static_cast<int>(std::lround(f.points * 4.0 / 3.0)));
  font.setBold(f.bold);
  return font;
}

}  // namespace ui::qt
