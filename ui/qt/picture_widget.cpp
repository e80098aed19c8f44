#include "ui/qt/picture_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "ui/qt/look.h"

namespace ui::qt {

PictureWidget::PictureWidget(const Picture& model, const int& scale, std::function<void()> on_click,
                             QWidget* parent)
    : QWidget(parent), model_(model), scale_(scale), on_click_(std::move(on_click)) {
  setObjectName(qstr(model.name()));
  if (!model.picture.empty()) pixmap_ = QPixmap(":/pictures/" + qstr(model.picture) + ".png");
  if (!model.ToolTipText.empty()) {
    setToolTip(qstr(model.ToolTipText));
    setAccessibleName(toolTip());
  }
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.scale(scale_, scale_);
  const QRect area = model_area(*this, scale_);
  painter.fillRect(area, colour(model_.BackColor));
  const QRect inner = area.adjusted(inset(), inset(), -inset(), -inset());
  painter.setClipRect(inner);
  // No smoothing: on a dense screen the pixel art grows in crisp squares.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawPixmap(inner.topLeft(), pixmap_);
  painter.setClipping(false);
  if (model_.sunken_frame) draw_bevel(painter, area, kSunken, palette());
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    on_click_();
  }
}

}  // namespace ui::qt
