#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include "ui/elements.h"

namespace ui::qt {

// The model is drawn at 15 twips a pixel.
int px(float twips);
QRect pixel_rect(const Box& box, int inset);

QColor colour(Colour c);
QString qstr(const std::string& utf8);

// The font to draw with: the family asked for where installed, else Comic Neue, else the
// platform's sans-serif; Qt resolves the list when it first draws, so no start-up goes through
// every installed family. Point sizes become pixel sizes at 96 DPI so text fits its box on
// every screen.
QFont font_for(const Font& f);

}  // namespace ui::qt
