#pragma once

#include <QFont>
#include <QWidget>

#include "ui/grid.h"
#include "ui/grid_cells.h"
#include "ui/qt/look.h"

namespace ui::qt {

// Draws a grid element: heading row and column in the fixed colour, the current cell in the
// selection colour, the area beyond the last row and column in the background colour.
class GridWidget : public QWidget {
 public:
  GridWidget(const Grid& model, const QFont& font, const int& scale, QWidget* parent);

  // Repaints when the grid changed since it was last drawn.
  void sync();

  const Grid& model() const { return model_; }
  int scale() const { return scale_; }
  // In the model's pixels.
  QRect cell_rect(int row, int col) const { return qrect(cell_area(model_, row, col)); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // What the last drawing showed: the texts' version and the current cell.
  struct Drawn {
    unsigned long version;
    int row, col;
    friend bool operator==(const Drawn&, const Drawn&) = default;
  };

  const Grid& model_;
  const int& scale_;
  Drawn drawn_;
};

}  // namespace ui::qt
