#pragma once

#include "ui/elements.h"

// The colours of Klimbor's windows.
namespace ui::colours {

inline constexpr Colour kOrange{255, 128, 0};
inline constexpr Colour kDarkRed{192, 0, 0};
inline constexpr Colour kLightGreen{128, 255, 128};
inline constexpr Colour kLightYellow{255, 255, 128};
inline constexpr Colour kDarkGreen{0, 128, 0};
inline constexpr Colour kSalmon{255, 128, 128};
inline constexpr Colour kWindow{255, 255, 255};  // the system's window colour

}  // namespace ui::colours
