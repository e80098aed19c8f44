#pragma once

#include <QWindow>
#include <optional>

#include "ui/screen_fit.h"

namespace ui::qt {

// The frame an X11 window manager says it will draw around a window not shown yet
// (_NET_REQUEST_FRAME_EXTENTS); none where no window manager runs. Nothing when the program is
// not on X11 or the window manager does not say.
std::optional<Frame> announced_frame(const QWindow& window);

}  // namespace ui::qt
