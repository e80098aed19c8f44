#include "ui/qt/display.h"

#include <cstdlib>

namespace ui::qt {

namespace {

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool display_available() {
#if defined(__linux__) || defined(__FreeBSD__)
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

std::string no_display_message(const std::string& program) {
  return program +
         " : aucun écran graphique n'est disponible (ni DISPLAY ni WAYLAND_DISPLAY n'est défini).\n"
         "Lancez le programme depuis une session graphique, ou sous Xvfb : xvfb-run ./run\n";
}

}  // namespace ui::qt
