#include "ui/key_filter.h"

namespace ui {

std::optional<Key> key_numbered(int code) {
  switch (code) {
    case static_cast<int>(Key::Return):
      return Key::Return;
    case static_cast<int>(Key::Escape):
      return Key::Escape;
    case static_cast<int>(Key::Space):
      return Key::Space;
    default:
      break;
  }
  if (code >= 'A' && code <= 'Z') return static_cast<Key>(code);
  return std::nullopt;
}

std::optional<Key> key_named(std::string_view name) {
  if (name == "Enter") return Key::Return;
  if (name == "Escape") return Key::Escape;
  if (name.size() != 1) return std::nullopt;
  const char c = name.front();
  // The lower-case letters lie 32 above their capitals; Space is 32 itself.
  return key_numbered(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
}

bool press_key(Form& form, const KeyPress& press, EventSink& sink) {
  if (press.modified || !press.key) return false;
  const std::function<void()>* handler = form.key_handler(*press.key);
  if (handler == nullptr) return false;
  if (!press.repeated) sink.deliver(form, *handler, EventSink::Source::player);
  return true;
}

}  // namespace ui
