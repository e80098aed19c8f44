#pragma once

#include <QScreen>
#include <QWidget>

#include "ui/form.h"
#include "ui/screen_fit.h"

// A window's scale and place on its screen, by the rule every binding shares. Qt's own scaling
// is off (prepare_scaling): it would give every window of a screen the same factor, and the
// viewer, twice as large, would not fit where the game does.
namespace ui::qt {

// Before the QApplication is made.
void prepare_scaling();

// The screen's pixels per 96-dpi pixel, from the density the desktop gives it (Xft.dpi on X11).
double scale_of(const QScreen& screen);

// The window manager's frame around the window's client area: as drawn once the window is shown;
// before, as the window system says it will draw it (none without a window manager), else as
// large as desktops usually draw it at that density. Best known once the window has its native
// window (winId()).
Frame frame_of(const QWidget& window, const QScreen& screen);

int fitting_scale(const Form& form, const QWidget& window, const QScreen& screen);

// Moves the window so that its whole frame lies inside the screen's work area, centred there if
// asked. Where a window not shown yet and not centred goes is the window manager's choice.
void place(QWidget& window, const QScreen& screen, bool centre);

}  // namespace ui::qt
