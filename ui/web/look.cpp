#include "ui/web/look.h"

#include <algorithm>
#include <cstdlib>

#include "ui/web/canvas.h"

namespace ui::web {

namespace {

// The standard face and rings of a page with no system colours to ask.
constexpr Colour kFace{240, 240, 240};
constexpr Colour kHighlight{255, 255, 255};
constexpr Colour kLight{227, 227, 227};
constexpr Colour kShadow{160, 160, 160};
constexpr Colour kDarkShadow{105, 105, 105};
constexpr Colour kButtonText{0, 0, 0};

struct Bevel {
  Colour outer_top_left, outer_bottom_right, inner_top_left, inner_bottom_right;
};
constexpr Bevel kSunken{kShadow, kHighlight, kDarkShadow, kLight};
constexpr Bevel kRaised{kHighlight, kDarkShadow, kFace, kShadow};
constexpr Bevel kPressed{kDarkShadow, kHighlight, kShadow, kFace};

void draw_bevel(PixelRect r, const Bevel& bevel) {
  const int x = r.x, y = r.y, w = r.width, h = r.height;
  if (w < 2 || h < 2) return;
  fill({x, y, w - 1, 1}, bevel.outer_top_left);
  fill({x, y, 1, h - 1}, bevel.outer_top_left);
  fill({x, y + h - 1, w, 1}, bevel.outer_bottom_right);
  fill({x + w - 1, y, 1, h}, bevel.outer_bottom_right);
  if (w <= 4 || h <= 4) return;
  fill({x + 1, y + 1, w - 3, 1}, bevel.inner_top_left);
  fill({x + 1, y + 1, 1, h - 3}, bevel.inner_top_left);
  fill({x + 1, y + h - 2, w - 2, 1}, bevel.inner_bottom_right);
  fill({x + w - 2, y + 1, 1, h - 2}, bevel.inner_bottom_right);
}

}  // namespace

void draw_line(const Line& line) {
  constexpr Colour kBlack{0, 0, 0};
  const int x1 = px(line.X1), y1 = px(line.Y1), x2 = px(line.X2), y2 = px(line.Y2);
  if (x1 == x2 || y1 == y2) {
    fill({std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1},
         kBlack);
    return;
  }
  // A slanted line, stepped pixel by pixel so that it stays crisp at every scale.
  const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
  for (int i = 0; i <= steps; ++i) {
    fill({x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, 1, 1}, kBlack);
  }
}

void draw_picture(const Picture& p, PixelRect r) {
  fill(r, p.BackColor);
  const int inset = p.inset();
  if (!p.picture.empty()) {
    const Clip clip({r.x + inset, r.y + inset, r.width - 2 * inset, r.height - 2 * inset});
    picture(p.picture, r.x + inset, r.y + inset);
  }
  if (p.sunken_frame) draw_bevel(r, kSunken);
}

void draw_label(const Label& label, PixelRect r) {
  fill(r, label.BackColor);
  text(label.Caption, r, label.font, label.ForeColor,
       label.Alignment == Align::centre ? Place::top_centre : Place::top_left);
}

void draw_button(const Button& button, PixelRect r, bool pressed) {
  fill(r, button.BackColor.value_or(kFace));
  draw_bevel(r, pressed ? kPressed : kRaised);
  const int shift = pressed ? 1 : 0;
  text(button.Caption, {r.x + shift, r.y + shift, r.width, r.height}, button.font, kButtonText,
       Place::middle_centre);
}

void draw_grid(const Grid& grid, PixelRect r) {
  fill(r, grid.BackColorBkg);
  const int height = px(Grid::kRowHeight);
  int x = r.x;
  for (int col = 0; col < grid.cols(); ++col) {
    const int width = px(static_cast<float>(grid.col_width(col)));
    for (int row = 0; row < grid.rows(); ++row) {
      const PixelRect cell{x, r.y + row * height, width, height};
      const bool fixed = row == 0 || col == 0;
      const bool current = row == grid.row() && col == grid.col();
      fill(cell, fixed ? grid.BackColorFixed : (current ? grid.BackColorSel : grid.BackColor));
      text(grid.text(row, col), {cell.x + 2, cell.y, cell.width - 3, cell.height}, grid.font,
           grid.ForeColor, Place::middle_left);
      // The lines on the right and at the bottom of each cell, as the desktop grids draw them.
      fill({cell.x + width - 1, cell.y, 1, height}, grid.GridColor);
      fill({cell.x, cell.y + height - 1, width, 1}, grid.GridColor);
    }
    x += width;
  }
}

}  // namespace ui::web
