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

// The window manager's frame around a client area: the real one once a window has been shown,
// else as large as desktops usually draw it at that density.
Frame frame_of(const QWidget& window, const QScreen& screen);

int fitting_scale(const Form& form, const QWidget& window, const QScreen& screen);

// Puts the whole window inside the screen's work area, centred if the form asks for it; a window
// the window manager places is only moved back inside once shown.
void place(QWidget& window, const Form& form, const QScreen& screen);

}  // namespace ui::qt
