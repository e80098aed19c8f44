#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

#include "ui/elements.h"

namespace ui::qt {

// Draws a picture element: its background, its picture at the inner upper-left corner clipped
// to the element, and the thin sunken frame where it has one.
class PictureWidget : public QWidget {
 public:
  // scale: the window's, read at each drawing.
  PictureWidget(const Picture& model, const int& scale, std::function<void()> on_click,
                QWidget* parent);

  // Where the children's coordinates start.
  int inset() const { return model_.inset(); }
  const Picture& model() const { return model_; }
  void click() { on_click_(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const Picture& model_;
  const int& scale_;
  QPixmap pixmap_;
  std::function<void()> on_click_;
};

}  // namespace ui::qt
