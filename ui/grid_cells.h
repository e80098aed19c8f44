#pragma once

#include <string>
#include <vector>

#include "ui/elements.h"
#include "ui/grid.h"
#include "ui/layout.h"

// How a grid is drawn, cell by cell, the same in every binding: in pixels from the grid's
// upper-left corner, over the grid's background colour (BackColorBkg) beyond the last cell.
namespace ui {

struct CellLook {
  PixelRect area;
  // The heading row and column in the fixed colour, the current cell in the selection colour.
  Colour fill;
  // Where the text goes, left-aligned and centred vertically, in the grid's ForeColor.
  PixelRect text_area;
  std::string text;
  // One pixel wide, in the grid colour, drawn over the fill at the right and the bottom.
  PixelRect right_line, bottom_line;
};

// Row by row, each from left to right.
std::vector<CellLook> grid_cells(const Grid& grid);

// Where a cell lies.
PixelRect cell_area(const Grid& grid, int row, int col);

// The text a cell shows: the NUL characters that pad an empty place of the file show as nothing.
std::string cell_text(const Grid& grid, int row, int col);

}  // namespace ui
