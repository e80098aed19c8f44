#pragma once

#include <string>

#include "ui/elements.h"
#include "ui/form.h"
#include "ui/grid.h"

// What a screen reader is told about a window or an element, decided once from the model; each
// binding only translates it (AT-SPI through Qt, MSAA on Windows, the page's accessibility tree).
namespace ui {

enum class Role {
  window,       // a top-level window, named by its caption
  push_button,  // a reader presses it as a click would
  graphic,      // a picture without a click
  text,         // a label, read as it stands
  table,        // the score grid: a heading row, then one row per place
};

struct Accessible {
  Role role = Role::graphic;
  std::string name;
  bool decorative = false;  // nothing to read: a binding that can leave it out does
  bool announced = false;   // a new text is announced (politely) while the element is shown
};

Accessible accessible_of(const Form& form);
Accessible accessible_of(const Picture& picture);
Accessible accessible_of(const Label& label);
Accessible accessible_of(const Button& button);
Accessible accessible_of(const Grid& grid);
// Any box, whatever its kind.
Accessible accessible_of(Box& box);

// The grid's headings, read as its name: "Pseudo, Score, Commentaire".
std::string headings_of(const Grid& grid);
// One row read as one line, its heading first and the empty cells left out:
// "3: Lou, 1160, première partie".
std::string row_text(const Grid& grid, int row);

}  // namespace ui
