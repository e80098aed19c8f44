#include "ui/qt/grid_widget.h"

#include <QPainter>

#include "ui/qt/look.h"

namespace ui::qt {

GridWidget::GridWidget(const Grid& model, const QFont& font, const int& scale, QWidget* parent)
    : QWidget(parent),
      model_(model),
      scale_(scale),
      drawn_{model.version(), model.row(), model.col()} {
  setObjectName(qstr(model.name()));
  setFont(font);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void GridWidget::sync() {
  const Drawn now{model_.version(), model_.row(), model_.col()};
  if (now == drawn_) return;
  drawn_ = now;
  update();
}

void GridWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.scale(scale_, scale_);
  painter.fillRect(model_area(*this, scale_), colour(model_.BackColorBkg));
  painter.setFont(font());
  painter.setPen(colour(model_.ForeColor));
  for (const CellLook& cell : grid_cells(model_)) {
    painter.fillRect(qrect(cell.area), colour(cell.fill));
    painter.drawText(qrect(cell.text_area), Qt::AlignLeft | Qt::AlignVCenter, qstr(cell.text));
    painter.fillRect(qrect(cell.right_line), colour(model_.GridColor));
    painter.fillRect(qrect(cell.bottom_line), colour(model_.GridColor));
  }
}

}  // namespace ui::qt
