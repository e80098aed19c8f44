#pragma once

namespace ui::qt {

// Tells screen readers, through AT-SPI, what the shared reading of the model says: each window a
// frame named by its caption, the pictures with a click push buttons a reader can press, the
// others graphics, the grid a list of its rows, one line each. Installing it again does nothing.
void install_accessibility();

}  // namespace ui::qt
