#pragma once

#include <string>

namespace ui {

class Form;

// Everything the game and score logic asks of the platform: windows, dialogs, the program's end
// and the pseudo-random generator. Every system implements it on ui::WindowSystem.
class System {
 public:
  virtual ~System() = default;

  // Shows a window non-modal and without owner. A window shown for the first time is created
  // first: its timers start counting and its Load handler runs before this returns.
  virtual void show(Form& form) = 0;
  // Hides a window; it keeps its state, timers included.
  virtual void hide(Form& form) = 0;

  // Modal; returns the text typed, the empty text on Cancel. The box takes at most max_chars.
  virtual std::string input_box(const std::string& prompt, int max_chars) = 0;
  // Modal; returns when closed.
  virtual void message_box(const std::string& text) = 0;

  // Every window closes and no further handler runs.
  virtual void end_program() = 0;

  // Re-seeds the generator from the clock.
  virtual void randomize() = 0;
  // The next pseudo-random number r, 0 <= r < 1.
  virtual float rnd() = 0;
};

}  // namespace ui
