#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QWidget>

#include "ui/bevel.h"
#include "ui/elements.h"
#include "ui/layout.h"

namespace ui::qt {

// In device pixels, at a whole scale.
QRect qrect(PixelRect r, int scale = 1);

// A widget's area in the model's pixels, for a painter scaled to the window's scale.
QRect model_area(const QWidget& widget, int scale);

QColor colour(Colour c);
QString qstr(const std::string& utf8);

// The font to draw with: the family asked for where installed, else Comic Neue, else the
// platform's sans-serif; Qt resolves the list when it first draws, so no start-up goes through
// every installed family. Point sizes become pixel sizes at 96 DPI so text fits its box on
// every screen.
// The font for a widget that draws text at a scale by itself (QLabel); widgets that paint
// through a scaled painter take it at scale 1.
QFont font_for(const Font& f, int scale = 1);

// Lines and bevels are one logical pixel thick at every scale, as thick as everything else:
// cosmetic pens and Qt's qDrawWin* helpers thin them to one device pixel on dense screens.

// From one pixel to the other, both included.
void draw_line(QPainter& painter, QPoint from, QPoint to, const QColor& colour);

// A bevel around r, in the palette's colours: its Button colour is the face.
void draw_bevel(QPainter& painter, const QRect& r, const Bevel& bevel, const QPalette& palette);

}  // namespace ui::qt
