#pragma once

#include <QAbstractButton>

#include "ui/elements.h"

namespace ui::qt {

// A push button with a coloured face and a raised bevel that sinks while pressed.
class ButtonWidget : public QAbstractButton {
 public:
  ButtonWidget(const Button& model, const QFont& font, const int& scale, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Button& model_;
  const int& scale_;
};

}  // namespace ui::qt
