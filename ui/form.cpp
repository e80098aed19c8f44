#include "ui/form.h"

#include <utility>

namespace ui {

Form::Form(std::string name, std::string caption, float client_width, float client_height,
           Colour back)
    : Element(std::move(name), nullptr, false),
      Caption(std::move(caption)),
      ScaleWidth(client_width),
      ScaleHeight(client_height),
      BackColor(back) {}

const std::function<void()>* Form::key_handler(Key key) const {
  for (const KeyBinding& binding : keys_) {
    if (binding.key == key && binding.element->shown()) return binding.click;
  }
  if (key != Key::Return && key != Key::Escape) return nullptr;
  const Button* button = sole_button();
  return button != nullptr && button->shown() ? &button->Click : nullptr;
}

const Button* Form::sole_button() const {
  const Button* found = nullptr;
  for (const Box* box : boxes_) {
    const auto* button = dynamic_cast<const Button*>(box);
    const auto* picture = dynamic_cast<const Picture*>(box);
    if (picture != nullptr && picture->Click) return nullptr;
    if (button == nullptr || !button->Click) continue;
    if (found != nullptr) return nullptr;
    found = button;
  }
  return found;
}

}  // namespace ui
