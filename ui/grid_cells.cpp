#include "ui/grid_cells.h"

#include <algorithm>

namespace ui {

PixelRect cell_area(const Grid& grid, int row, int col) {
  int x = 0;
  for (int c = 0; c < col; ++c) x += px(static_cast<float>(grid.col_width(c)));
  const int height = px(Grid::kRowHeight);
  return {x, row * height, px(static_cast<float>(grid.col_width(col))), height};
}

std::string cell_text(const Grid& grid, int row, int col) {
  std::string text = grid.text(row, col);
  std::erase(text, '\0');
  return text;
}

std::vector<CellLook> grid_cells(const Grid& grid) {
  std::vector<CellLook> cells;
  for (int row = 0; row < grid.rows(); ++row) {
    for (int col = 0; col < grid.cols(); ++col) {
      const PixelRect a = cell_area(grid, row, col);
      const bool fixed = row == 0 || col == 0;
      const bool current = row == grid.row() && col == grid.col();
      cells.push_back({a,
                       fixed ? grid.BackColorFixed : (current ? grid.BackColorSel : grid.BackColor),
                       {a.x + 2, a.y, a.width - 3, a.height},
                       cell_text(grid, row, col),
                       {a.x + a.width - 1, a.y, 1, a.height},
                       {a.x, a.y + a.height - 1, a.width, 1}});
    }
  }
  return cells;
}

}  // namespace ui
