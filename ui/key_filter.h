#pragma once

#include <optional>
#include <string_view>

#include "ui/event_sink.h"
#include "ui/form.h"
#include "ui/keys.h"

// Which key press reaches which handler: the rule every binding applies once it has named the
// key its platform reports.
namespace ui {

// A key press as the platform reports it.
struct KeyPress {
  std::optional<Key> key;  // none for a key the model does not name
  bool modified = false;   // Ctrl, Alt or Meta held: a shortcut of the system's, not the model's
  bool repeated = false;   // sent again because the key is held down
};

// The key a code names where the platform numbers keys as the model does (Windows' virtual keys,
// the web's keyCode; Qt for Space and the letters): Return 13, Escape 27, Space 32, a letter by
// its capital. None for any other code.
std::optional<Key> key_numbered(int code);

// The key a web page's KeyboardEvent.key names: "Enter" (the keypad's too), "Escape", " ", and a
// letter in either case, as the keyboard's layout types it. None for any other name.
std::optional<Key> key_named(std::string_view name);

// Runs, as the player's, the click that a key presses in a window. A held key presses once:
// Return held in the last dialog must not end the viewer. True when the window takes the key,
// held or not; false when the key is none of the window's now, for the platform to handle.
bool press_key(Form& form, const KeyPress& press, EventSink& sink);

}  // namespace ui
