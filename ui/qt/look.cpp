#include "ui/qt/look.h"

#include <cmath>

namespace ui::qt {

QRect qrect(PixelRect r, int scale) {
  return {r.x * scale, r.y * scale, r.width * scale, r.height * scale};
}

QRect model_area(const QWidget& widget, int scale) {
  return {0, 0, widget.width() / scale, widget.height() / scale};
}

QColor colour(Colour c) {
  return {c.r, c.g, c.b};
}

QString qstr(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QFont font_for(const Font& f, int scale) {
  QFont font;
  font.setFamilies({qstr(f.family), QStringLiteral("Comic Neue"), QStringLiteral("sans-serif")});
  font.setPixelSize(static_cast<int>(std::lround(f.points * 4.0 / 3.0)) * scale);
  font.setBold(f.bold);
  return font;
}

void draw_line(QPainter& painter, QPoint from, QPoint to, const QColor& colour) {
  if (from.x() == to.x() || from.y() == to.y()) {
    painter.fillRect(QRect(from, to).normalized(), colour);
    return;
  }
  // A slanted line: a one-pixel pen through the pixels' centres, square ends covering both.
  painter.save();
  painter.setPen(QPen(colour, 1, Qt::SolidLine, Qt::SquareCap));
  const QPointF centre(0.5, 0.5);
  painter.drawLine(QPointF(from) + centre, QPointF(to) + centre);
  painter.restore();
}

namespace {

// Qt names the colours of 3-D borders otherwise than Windows does.
QColor shade(const QPalette& palette, Shade s) {
  switch (s) {
    case Shade::face:
      return palette.button().color();
    case Shade::light:
      return palette.midlight().color();
    case Shade::highlight:
      return palette.light().color();
    case Shade::shadow:
      return palette.dark().color();
    case Shade::dark_shadow:
      return palette.shadow().color();
  }
  return {};
}

}  // namespace

// The same pixels as qDrawWinShades at one device pixel a pixel.
void draw_bevel(QPainter& painter, const QRect& r, const Bevel& bevel, const QPalette& palette) {
  const PixelRect area{r.x(), r.y(), r.width(), r.height()};
  for (const Band& band : bevel_bands(area, bevel)) {
    painter.fillRect(qrect(band.rect), shade(palette, band.shade));
  }
}

}  // namespace ui::qt
