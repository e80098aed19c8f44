#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include "ui/elements.h"

namespace ui::qt {

// The model is drawn at 15 twips a pixel.
int px(float twips);
QRect pixel_rect(const Box& box, int inset);

QColor colour(Colour c);
QString qstr(const std::string& utf8);

// Picks the family to draw a font with: the one asked for where installed, else Comic Neue,
// else the platform's sans-serif. Point sizes become pixel sizes at 96 DPI so text fits its box
// on every screen.
class FontChooser {
 public:
  FontChooser();
  QFont font(const Font& f) const;

 private:
  QStringList installed_;
};

}  // namespace ui::qt
