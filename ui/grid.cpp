#include "ui/grid.h"

#include <utility>

#include "ui/runtime_error.h"

namespace ui {

namespace {

constexpr int kDefaultColWidth = 450;  // twips: wide enough for "30:"

void check(int index, int count) {
  if (index < 0 || index >= count) throw RuntimeError(kInvalidPropertyValue);
}

}  // namespace

Grid::Grid(std::string name, Element* container, Rect r, int rows, int cols)
    : Box(std::move(name), container, r, true),
      rows_(rows),
      cols_(cols),
      cells_(static_cast<std::size_t>(rows * cols)),
      widths_(static_cast<std::size_t>(cols), kDefaultColWidth) {}

void Grid::set_row(int row) {
  check(row, rows_);
  row_ = row;
}

void Grid::set_col(int col) {
  check(col, cols_);
  col_ = col;
}

void Grid::set_text(const std::string& text) {
  std::string& cell = cells_[static_cast<std::size_t>(row_ * cols_ + col_)];
  if (cell != text) ++version_;
  cell = text;
}

const std::string& Grid::text(int row, int col) const {
  check(row, rows_);
  check(col, cols_);
  return cells_[static_cast<std::size_t>(row * cols_ + col)];
}

int Grid::col_width(int col) const {
  check(col, cols_);
  return widths_[static_cast<std::size_t>(col)];
}

void Grid::set_col_width(int col, int twips) {
  check(col, cols_);
  if (widths_[static_cast<std::size_t>(col)] != twips) ++version_;
  widths_[static_cast<std::size_t>(col)] = twips;
}

}  // namespace ui
