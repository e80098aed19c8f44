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
  return nullptr;
}

}  // namespace ui
