#pragma once

#include <vector>

#include "ui/layout.h"

// The two-pixel bevel of the platform's standard 3-D borders: the same rings in every binding,
// each painting them in its platform's colours.
namespace ui {

// The system colours of 3-D borders, named as Windows names them.
enum class Shade { face, light, highlight, shadow, dark_shadow };

// A bevel's colours, outer ring first.
struct Bevel {
  Shade outer_top_left, outer_bottom_right, inner_top_left, inner_bottom_right;
};
inline constexpr Bevel kSunken{Shade::shadow, Shade::highlight, Shade::dark_shadow, Shade::light};
inline constexpr Bevel kRaised{Shade::highlight, Shade::dark_shadow, Shade::face, Shade::shadow};
inline constexpr Bevel kPressed{Shade::dark_shadow, Shade::highlight, Shade::shadow, Shade::face};

// One pixel wide, in the pixels of the rectangle it borders.
struct Band {
  PixelRect rect;
  Shade shade;
  friend bool operator==(const Band&, const Band&) = default;
};

// The bands of a bevel around r, to paint in this order: the outer ring's top and left, then its
// bottom and right over their ends, then the inner ring likewise. None for a box under two pixels
// a side, the outer ring alone up to four.
std::vector<Band> bevel_bands(PixelRect r, const Bevel& bevel);

}  // namespace ui
