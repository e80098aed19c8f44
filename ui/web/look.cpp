#include "ui/web/look.h"

#include <algorithm>
#include <cstdlib>

#include "ui/bevel.h"
#include "ui/grid_cells.h"
#include "ui/web/canvas.h"

namespace ui::web {

namespace {

// A page has no system colours to ask: those of the classic Windows look.
Colour colour_of(Shade shade) {
  switch (shade) {
    case Shade::face:
      return {240, 240, 240};
    case Shade::light:
      return {227, 227, 227};
    case Shade::highlight:
      return {255, 255, 255};
    case Shade::shadow:
      return {160, 160, 160};
    case Shade::dark_shadow:
      break;
  }
  return {105, 105, 105};
}

void draw_bevel(PixelRect r, const Bevel& bevel) {
  for (const Band& band : bevel_bands(r, bevel)) fill(band.rect, colour_of(band.shade));
}

PixelRect moved(PixelRect r, int dx, int dy) {
  return {r.x + dx, r.y + dy, r.width, r.height};
}

}  // namespace

void CanvasPainter::background(Colour colour) {
  fill({0, 0, px(form_.ScaleWidth), px(form_.ScaleHeight)}, colour);
}

void CanvasPainter::clip(const PixelRect& area) {
  clip_.reset();
  clip_.emplace(area);
}

void CanvasPainter::line(const Line& line) {
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

void CanvasPainter::picture(const Picture& p, const PixelRect& r) {
  fill(r, p.BackColor);
  const int inset = p.inset();
  if (!p.picture.empty()) {
    const Clip clip({r.x + inset, r.y + inset, r.width - 2 * inset, r.height - 2 * inset});
    ui::web::picture(p.picture, r.x + inset, r.y + inset);
  }
  if (p.sunken_frame) draw_bevel(r, kSunken);
}

void CanvasPainter::label(const Label& label, const PixelRect& r) {
  fill(r, label.BackColor);
  text(label.Caption, r, label.font, label.ForeColor,
       label.Alignment == Align::centre ? Place::top_centre : Place::top_left);
}

void CanvasPainter::button(const Button& button, const PixelRect& r, bool pressed) {
  fill(r, button.BackColor.value_or(colour_of(Shade::face)));
  draw_bevel(r, pressed ? kPressed : kRaised);
  const int shift = pressed ? 1 : 0;
  text(button.Caption, moved(r, shift, shift), button.font, {0, 0, 0}, Place::middle_centre);
}

void CanvasPainter::grid(const Grid& grid, const PixelRect& r) {
  fill(r, grid.BackColorBkg);
  for (const CellLook& cell : grid_cells(grid)) {
    fill(moved(cell.area, r.x, r.y), cell.fill);
    text(cell.text, moved(cell.text_area, r.x, r.y), grid.font, grid.ForeColor, Place::middle_left);
    fill(moved(cell.right_line, r.x, r.y), grid.GridColor);
    fill(moved(cell.bottom_line, r.x, r.y), grid.GridColor);
  }
}

}  // namespace ui::web
