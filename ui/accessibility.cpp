#include "ui/accessibility.h"

#include <string_view>

#include "ui/grid_cells.h"

namespace ui {

namespace {

class Reading final : public BoxVisitor {
 public:
  Accessible result;

  void visit(Picture& picture) override { result = accessible_of(picture); }
  void visit(Label& label) override { result = accessible_of(label); }
  void visit(Button& button) override { result = accessible_of(button); }
  void visit(Grid& grid) override { result = accessible_of(grid); }
};

// Nicknames are padded to their 30 characters in the file: the blanks are not read.
std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

Accessible accessible_of(const Form& form) {
  return {.role = Role::window, .name = form.Caption};
}

// A picture with a click is a control named by its tooltip; the others are decoration (the
// sprites, the panels, the finish line) that a reader passes over.
Accessible accessible_of(const Picture& picture) {
  if (picture.Click) return {.role = Role::push_button, .name = picture.ToolTipText};
  return {.role = Role::graphic, .name = picture.ToolTipText, .decorative = true};
}

// The outcome, the level and the score change under the player's eyes: told as they change.
Accessible accessible_of(const Label& label) {
  return {.role = Role::text, .name = label.Caption, .announced = true};
}

Accessible accessible_of(const Button& button) {
  return {.role = Role::push_button, .name = button.Caption};
}

Accessible accessible_of(const Grid& grid) {
  // Kept in step with each refresh, but not read out at each: the reader goes to it.
  return {.role = Role::table, .name = headings_of(grid)};
}

Accessible accessible_of(Box& box) {
  Reading reading;
  box.accept(reading);
  return reading.result;
}

std::string headings_of(const Grid& grid) {
  std::string names;
  for (int col = 1; col < grid.cols(); ++col) {
    if (col > 1) names += ", ";
    names += trimmed(cell_text(grid, 0, col));
  }
  return names;
}

std::string row_text(const Grid& grid, int row) {
  std::string cells;
  for (int col = 1; col < grid.cols(); ++col) {
    const std::string cell = trimmed(cell_text(grid, row, col));
    if (cell.empty()) continue;
    if (!cells.empty()) cells += ", ";
    cells += cell;
  }
  const std::string heading = trimmed(cell_text(grid, row, 0));
  return cells.empty() ? heading : heading + ' ' + cells;
}

}  // namespace ui
