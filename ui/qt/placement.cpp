#include "ui/qt/placement.h"

#include <cmath>

namespace ui::qt {

namespace {

PixelRect pixel_rect(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

void prepare_scaling() {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

double scale_of(const QScreen& screen) {
  // A factor the player set for Qt (QT_SCALE_FACTOR) already enlarges every pixel.
  return screen.logicalDotsPerInch() / 96.0 / screen.devicePixelRatio();
}

// The frame as the window manager drew it; none before the window is shown, or without one.
Frame drawn_frame(const QWidget& window) {
  const QRect outer = window.frameGeometry(), inner = window.geometry();
  if (!window.isVisible()) return {};
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

Frame frame_of(const QWidget& window, const QScreen& screen) {
  if (window.isVisible() && window.frameGeometry() != window.geometry()) {
    return drawn_frame(window);
  }
  // A title bar of about 30 pixels and thin borders at 96 dpi, growing with the density.
  const int border = static_cast<int>(std::lround(4 * scale_of(screen)));
  const int title = static_cast<int>(std::lround(30 * scale_of(screen)));
  return {border, title + border, border, border};
}

int fitting_scale(const Form& form, const QWidget& window, const QScreen& screen) {
  return ui::fitting_scale(scale_of(screen), {0, 0, px(form.ScaleWidth), px(form.ScaleHeight)},
                           frame_of(window, screen), pixel_rect(screen.availableGeometry()));
}

void place(QWidget& window, const Form& form, const QScreen& screen) {
  // Where a window without a place of its own goes is the window manager's choice until shown.
  if (!form.centred && !window.isVisible()) return;
  const QRect client = window.geometry();
  const PixelRect area = pixel_rect(screen.availableGeometry());
  // Centred as drawn so far; then moved, if need be, so that the frame the window manager will
  // draw around it stays on the work area too.
  const Frame drawn = drawn_frame(window), room = frame_of(window, screen);
  PixelRect outer{client.x() - drawn.left, client.y() - drawn.top,
                  client.width() + drawn.left + drawn.right,
                  client.height() + drawn.top + drawn.bottom};
  if (form.centred) outer = centred_in(outer, area);
  const PixelRect inside = placed_inside({outer.x, outer.y, client.width() + room.left + room.right,
                                          client.height() + room.top + room.bottom},
                                         area);
  // move() places a window by its frame's corner.
  if (inside.x != client.x() - drawn.left || inside.y != client.y() - drawn.top) {
    window.move(inside.x, inside.y);
  }
}

}  // namespace ui::qt
