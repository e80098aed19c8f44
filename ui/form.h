#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/elements.h"
#include "ui/keys.h"
#include "ui/timer.h"

namespace ui {

// A window: its caption, client size and colour, and the elements it holds. It is not shown
// until the window system shows it.
class Form : public Element {
 public:
  Form(std::string name, std::string caption, float client_width, float client_height, Colour back);

  std::string Caption;
  float ScaleWidth, ScaleHeight;  // client area, twips
  Colour BackColor;

  // Runs once, when the window system creates the window, before it is first shown.
  std::function<void()> Load;

  bool centred = false;  // opens centred on the screen, else where the system puts it

  // A key that presses an element as a click does, while the element is shown.
  void press_with(Key key, Picture& element) { keys_.push_back({key, &element, &element.Click}); }
  void press_with(Key key, Button& element) { keys_.push_back({key, &element, &element.Click}); }
  // What a key runs now, or null: the click of the first shown element it presses.
  const std::function<void()>* key_handler(Key key) const;

  // Boxes front first: among the children of one container, an earlier one lies in front.
  const std::vector<Box*>& boxes() const { return boxes_; }
  const std::vector<Line*>& lines() const { return lines_; }
  const std::vector<Timer*>& timers() const { return timers_; }

 protected:
  void stack(std::initializer_list<Box*> front_first) { boxes_.insert(boxes_.end(), front_first); }
  void draw_lines(std::initializer_list<Line*> lines) { lines_.insert(lines_.end(), lines); }
  void keep_timers(std::initializer_list<Timer*> timers) { timers_.insert(timers_.end(), timers); }

 private:
  struct KeyBinding {
    Key key;
    const Element* element;
    const std::function<void()>* click;
  };

  std::vector<Box*> boxes_;
  std::vector<Line*> lines_;
  std::vector<Timer*> timers_;
  std::vector<KeyBinding> keys_;
};

}  // namespace ui
