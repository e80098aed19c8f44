#include "ui/qt/button_widget.h"

#include <QPainter>

#include "ui/qt/look.h"

namespace ui::qt {

ButtonWidget::ButtonWidget(const Button& model, const QFont& font, const int& scale,
                           QWidget* parent)
    : QAbstractButton(parent), model_(model), scale_(scale) {
  setObjectName(qstr(model.name()));
  setFont(font);
  setText(qstr(model.Caption));
  // The window takes the keys and routes each to what it presses.
  setFocusPolicy(Qt::NoFocus);
}

void ButtonWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.scale(scale_, scale_);
  const QRect area = model_area(*this, scale_);
  QPalette pal = palette();
  const QBrush face = model_.BackColor ? QBrush(colour(*model_.BackColor)) : pal.button();
  pal.setBrush(QPalette::Button, face);
  painter.fillRect(area, face);
  draw_bevel(painter, area, isDown() ? kPressed : kRaised, pal);
  painter.setPen(pal.color(QPalette::ButtonText));
  const int shift = isDown() ? 1 : 0;
  painter.drawText(area.translated(shift, shift), Qt::AlignCenter, text());
}

}  // namespace ui::qt
