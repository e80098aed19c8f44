#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ui/dispatcher.h"
#include "ui/elements.h"
#include "ui/form.h"
#include "ui/keys.h"
#include "ui/system.h"
#include "ui/timer.h"

namespace ui {

// The window system without a window: a virtual clock that only moves when told to, scripted
// answers for the dialogs, and a record of what the program showed and reported.
class HeadlessSystem final : public System, private TimerDriver {
 public:
  HeadlessSystem();

  void show(Form& form) override;
  void hide(Form& form) override;
  std::string input_box(const std::string& prompt, int max_chars) override;
  void message_box(const std::string& text) override;
  void end_program() override;
  void randomize() override;
  float rnd() override;

  // Moves the clock on by ms, firing every tick that falls due on the way, in time order.
  void advance(std::int64_t ms);
  std::int64_t now() const { return now_; }

  // A click reaches an element only while it can be seen; false when it could not.
  bool click(Picture& picture) { return click_on(picture, picture.Click); }
  bool click(Button& button) { return click_on(button, button.Click); }
  // A key pressed in a window; false when no element there takes it now.
  bool press(const Form& form, Key key);

  // Scripted answers of the input box, taken in order; none left means Cancel.
  std::deque<std::string> answers;
  // Values rnd() gives before falling back on a fixed-seed generator.
  std::deque<float> draws;

  // Called as an input box opens, before it takes its answer.
  std::function<void(const std::string& prompt)> on_input_box;

  std::vector<std::string> prompts;
  std::vector<int> input_limits;
  std::vector<std::string> messages;
  // Windows shown and hidden and dialogs opened, in order: "show frm_visualiser",
  // "hide Klimbor", "input entrez votre pseudo", "message Bravo, ...".
  std::vector<std::string> journal;
  std::vector<std::string> errors;
  int reseeds = 0;
  bool ended = false;

 private:
  struct Slot {
    Timer* timer;
    std::int64_t due;
  };

  void timer_changed(Timer& timer) override;
  bool click_on(const Element& element, const std::function<void()>& handler);
  void run(const std::function<void()>& handler);
  Slot* next_due(std::int64_t until);

  Dispatcher dispatcher_;
  std::vector<Form*> created_;
  std::vector<Slot> slots_;
  std::int64_t now_ = 0;
  std::minstd_rand fallback_{12345};
};

}  // namespace ui
