#include "ui/bevel.h"

namespace ui {

std::vector<Band> bevel_bands(PixelRect r, const Bevel& bevel) {
  const int x = r.x, y = r.y, w = r.width, h = r.height;
  if (w < 2 || h < 2) return {};
  std::vector<Band> bands{
      {{x, y, w - 1, 1}, bevel.outer_top_left},
      {{x, y, 1, h - 1}, bevel.outer_top_left},
      {{x, y + h - 1, w, 1}, bevel.outer_bottom_right},
      {{x + w - 1, y, 1, h}, bevel.outer_bottom_right},
  };
  if (w <= 4 || h <= 4) return bands;
  bands.insert(bands.end(), {
                                {{x + 1, y + 1, w - 3, 1}, bevel.inner_top_left},
                                {{x + 1, y + 1, 1, h - 3}, bevel.inner_top_left},
                                {{x + 1, y + h - 2, w - 2, 1}, bevel.inner_bottom_right},
                                {{x + w - 2, y + 1, 1, h - 2}, bevel.inner_bottom_right},
                            });
  return bands;
}

}  // namespace ui
