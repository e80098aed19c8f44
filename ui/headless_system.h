#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ui/elements.h"
#include "ui/form.h"
#include "ui/key_filter.h"
#include "ui/keys.h"
#include "ui/timer.h"
#include "ui/window_system.h"

namespace ui {

// The window system without a window: a virtual clock that only moves when told to, scripted
// answers for the dialogs, and a record of what the program showed and reported.
class HeadlessSystem final : public WindowSystem, private TimerDriver {
 public:
  explicit HeadlessSystem(std::string program_title = "Klimbor")
      : WindowSystem(std::move(program_title)) {}

  void show(Form& form) override;
  void hide(Form& form) override;
  void randomize() override;
  float rnd() override;

  // Moves the clock on by ms, firing every tick that falls due on the way, in time order.
  void advance(std::int64_t ms);
  std::int64_t now() const { return now_; }

  // A click reaches an element only while it can be seen; false when it could not.
  bool click(Picture& picture) { return click_on(picture, picture.Click); }
  bool click(Button& button) { return click_on(button, button.Click); }
  // A key pressed in a window; false when no element there takes it now.
  bool press(Form& form, const KeyPress& key) { return press_key(form, key, *this); }
  bool press(Form& form, Key key) { return press(form, KeyPress{key}); }
  // The player closes a window with its close control.
  void close(Form& form) { window_closed(form); }

  // Scripted answers of the input box, taken in order; none left means Cancel.
  std::deque<std::string> answers;
  // Values rnd() gives before falling back on a fixed-seed generator.
  std::deque<float> draws;

  // Called as an input box opens, before it takes its answer.
  std::function<void(const std::string& prompt)> on_input_box;

  std::vector<std::string> prompts;
  std::vector<int> input_limits;
  std::vector<std::string> messages;
  // Windows shown and hidden and boxes opened, in order: "show frm_visualiser",
  // "hide Klimbor", "input entrez votre pseudo", "message Bravo, ...", "error Erreur ...".
  std::vector<std::string> journal;
  // The handlers' errors as written to standard error, a repeated one too: "Klimbor : erreur
  // d'exécution : Dépassement de capacité".
  std::vector<std::string> errors;
  int reseeds = 0;

 private:
  struct Slot {
    Form* form;
    Timer* timer;
    std::int64_t due;
  };

  void create_window(Form& form) override;
  void sync_windows() override {}
  void stop() override {}
  std::string ask(const std::string& prompt, int max_chars) override;
  void tell(const std::string& text) override;
  void write_error(const std::string& line) override { errors.push_back(line); }
  void show_error(const std::string& text) override { journal.push_back("error " + text); }
  void timer_changed(Timer& timer) override;
  bool click_on(Element& element, const std::function<void()>& handler);
  Slot* next_due(std::int64_t until);

  std::vector<Slot> slots_;
  std::int64_t now_ = 0;
  std::minstd_rand fallback_{12345};
};

}  // namespace ui
