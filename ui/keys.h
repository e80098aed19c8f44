#pragma once

namespace ui {

// A key as the window systems number their virtual keys: a letter by its capital.
enum class Key : int { Return = 13, Escape = 27, Space = 32, C = 'C', R = 'R', V = 'V' };

}  // namespace ui
