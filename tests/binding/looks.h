#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <utility>

namespace test {

// The first and last columns of a widget's drawing (or of an area of it) where a colour shows;
// -1 and -1 where it does not show at all.
inline std::pair<int, int> columns_showing(QWidget& widget, const QColor& colour,
                                           const QRect& area = QRect(QPoint(0, 0), QSize(-1, -1))) {
  const QImage image = widget.grab(area).toImage();
  std::pair<int, int> columns{-1, -1};
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (QColor(image.pixel(x, y)) != colour) continue;
      if (columns.first < 0) columns.first = x;
      columns.second = x;
      break;
    }
  }
  return columns;
}

inline bool shows(QWidget& widget, const QColor& colour,
                  const QRect& area = QRect(QPoint(0, 0), QSize(-1, -1))) {
  return columns_showing(widget, colour, area).first >= 0;
}

}  // namespace test
