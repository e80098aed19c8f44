#pragma once

#include <string>

namespace ui::qt {

// Whether Qt can reach a display. Without one Qt aborts; the programs say why and stop instead.
bool display_available();
std::string no_display_message(const std::string& program);

}  // namespace ui::qt
