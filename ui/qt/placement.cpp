#include "ui/qt/placement.h"

#include <QWindow>
#include <cmath>

#include "ui/qt/x11_frame.h"

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

Frame frame_of(const QWidget& window, const QScreen& screen) {
  if (const QWindow* handle = window.windowHandle()) {
    const QMargins drawn = handle->frameMargins();
    if (!drawn.isNull()) return {drawn.left(), drawn.top(), drawn.right(), drawn.bottom()};
    // On the screen without a frame: nothing draws one.
    if (handle->isExposed()) return {};
    if (const std::optional<Frame> announced = announced_frame(*handle)) return *announced;
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

void place(QWidget& window, const QScreen& screen, bool centre) {
  if (!centre && !window.isVisible()) return;
  const PixelRect client = pixel_rect(window.geometry());
  const PixelRect to = client_placed(client, frame_of(window, screen),
                                     pixel_rect(screen.availableGeometry()), centre);
  // By its client area: move() would take the frame's corner, whose size Qt may not know yet.
  if (to != client) window.setGeometry(to.x, to.y, to.width, to.height);
}

}  // namespace ui::qt
