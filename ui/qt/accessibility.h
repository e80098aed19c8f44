#pragma once

namespace ui::qt {

// Lets screen readers tell the pictures apart: one with a click is a push button named by its
// tooltip, which a reader can press; the others are graphics. A grid reads as a list of its
// rows, one line each. Installing it again does nothing.
void install_accessibility();

}  // namespace ui::qt
