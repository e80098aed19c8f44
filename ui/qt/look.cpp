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

Bevel sunken_frame(const QPalette& palette) {
  return {palette.dark().color(), palette.light().color(), palette.shadow().color(),
          palette.midlight().color()};
}

Bevel button_bevel(const QPalette& palette, bool down) {
  if (down) {
    return {palette.shadow().color(), palette.light().color(), palette.dark().color(),
            palette.button().color()};
  }
  return {palette.light().color(), palette.shadow().color(), palette.button().color(),
          palette.dark().color()};
}

// The same pixels as qDrawWinShades at one device pixel a pixel, drawn in the same order.
void draw_bevel(QPainter& painter, const QRect& r, const Bevel& bevel) {
  const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
  if (w < 2 || h < 2) return;
  painter.fillRect(x, y, w - 1, 1, bevel.outer_top_left);
  painter.fillRect(x, y, 1, h - 1, bevel.outer_top_left);
  painter.fillRect(x, y + h - 1, w, 1, bevel.outer_bottom_right);
  painter.fillRect(x + w - 1, y, 1, h, bevel.outer_bottom_right);
  if (w <= 4 || h <= 4) return;
  painter.fillRect(x + 1, y + 1, w - 3, 1, bevel.inner_top_left);
  painter.fillRect(x + 1, y + 1, 1, h - 3, bevel.inner_top_left);
  painter.fillRect(x + 1, y + h - 2, w - 2, 1, bevel.inner_bottom_right);
  painter.fillRect(x + w - 2, y + 1, 1, h - 2, bevel.inner_bottom_right);
}

}  // namespace ui::qt
