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

QString GridWidget::shown_text(const std::string& cell) {
  QString text = qstr(cell);
  text.remove(QChar(u'\0'));
  return text;
}

QRect GridWidget::cell_rect(int row, int col) const {
  int x = 0;
  for (int c = 0; c < col; ++c) x += px(static_cast<float>(model_.col_width(c)));
  const int height = px(Grid::kRowHeight);
  return {x, row * height, px(static_cast<float>(model_.col_width(col))), height};
}

void GridWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.scale(scale_, scale_);
  painter.fillRect(model_area(*this, scale_), colour(model_.BackColorBkg));
  painter.setFont(font());
  for (int row = 0; row < model_.rows(); ++row) {
    for (int col = 0; col < model_.cols(); ++col) {
      const QRect cell = cell_rect(row, col);
      const bool fixed = row == 0 || col == 0;
      const bool current = row == model_.row() && col == model_.col();
      const Colour fill =
          fixed ? model_.BackColorFixed : (current ? model_.BackColorSel : model_.BackColor);
      painter.fillRect(cell, colour(fill));
      painter.setPen(colour(model_.ForeColor));
      painter.drawText(cell.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       shown_text(model_.text(row, col)));
      draw_line(painter, cell.topRight(), cell.bottomRight(), colour(model_.GridColor));
      draw_line(painter, cell.bottomLeft(), cell.bottomRight(), colour(model_.GridColor));
    }
  }
}

}  // namespace ui::qt
