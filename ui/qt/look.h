#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>

#include "ui/elements.h"
#include "ui/layout.h"

namespace ui::qt {

QRect qrect(PixelRect r);

QColor colour(Colour c);
QString qstr(const std::string& utf8);

// The font to draw with: the family asked for where installed, else Comic Neue, else the
// platform's sans-serif; Qt resolves the list when it first draws, so no start-up goes through
// every installed family. Point sizes become pixel sizes at 96 DPI so text fits its box on
// every screen.
QFont font_for(const Font& f);

// Lines and bevels are one logical pixel thick at every scale, as thick as everything else:
// cosmetic pens and Qt's qDrawWin* helpers thin them to one device pixel on dense screens.

// From one pixel to the other, both included.
void draw_line(QPainter& painter, QPoint from, QPoint to, const QColor& colour);

// The two-pixel bevel of the platform's standard borders, outer ring first.
struct Bevel {
  QColor outer_top_left, outer_bottom_right, inner_top_left, inner_bottom_right;
};
Bevel sunken_frame(const QPalette& palette);
Bevel button_bevel(const QPalette& palette, bool down);
void draw_bevel(QPainter& painter, const QRect& r, const Bevel& bevel);

}  // namespace ui::qt
