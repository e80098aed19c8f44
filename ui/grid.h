#pragma once

#include <string>
#include <vector>

#include "ui/elements.h"

namespace ui {

// A grid of text cells with one fixed heading row and column. Cells are written through the
// current cell, chosen by Row and Col, as on the grid controls of old.
class Grid : public Box {
 public:
  Grid(std::string name, Element* container, Rect r, int rows, int cols);
  void accept(BoxVisitor& visitor) override { visitor.visit(*this); }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  int row() const { return row_; }
  int col() const { return col_; }
  // A row or column outside the grid is refused with an error.
  void set_row(int row);
  void set_col(int col);
  void set_text(const std::string& text);  // the current cell's
  const std::string& text(int row, int col) const;

  int col_width(int col) const;  // twips
  void set_col_width(int col, int twips);
  // Goes up when a text or a width changes, and only then: a refresh that finds the table as it
  // was leaves the drawing alone. The current cell is compared on its own.
  unsigned long version() const { return version_; }
  static constexpr int kRowHeight = 240;  // twips

  Font font;
  Colour BackColor{255, 255, 255};       // ordinary cells
  Colour ForeColor{0, 0, 0};             // text of every cell
  Colour BackColorFixed{192, 192, 192};  // heading row and column
  Colour BackColorSel{0, 0, 128};        // the current cell
  Colour BackColorBkg{128, 128, 128};    // beyond the last row and column
  Colour GridColor{192, 192, 192};

 private:
  int rows_, cols_;
  int row_ = 1, col_ = 1;
  std::vector<std::string> cells_;
  std::vector<int> widths_;
  unsigned long version_ = 0;
};

}  // namespace ui
