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

}  // namespace ui
