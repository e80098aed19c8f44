#include "ui/web/reading.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "ui/accessibility.h"
#include "ui/grid_cells.h"
#include "ui/scene.h"

// In page.js.
extern "C" {
void klb_web_read_window(int window, const char* name);
void klb_web_read_begin(int window);
void klb_web_read_node(int window, int element, const char* kind, const char* name, int x, int y,
                       int width, int height, int announce);
void klb_web_read_end(int window);
void klb_web_read_table(int window, int element, int rows, int cols);
void klb_web_read_cell(int window, int element, int row, int col, const char* text);
}

namespace ui::web {

namespace {

// The shared roles in the page's words: the kind of node the page makes for each.
const char* kind_of(Role role) {
  switch (role) {
    case Role::push_button:
      return "button";
    case Role::text:
      return "text";
    case Role::graphic:
      return "img";
    case Role::table:
      return "table";
    case Role::window:
      break;
  }
  return "region";
}

// Seen by the player: a click at its middle reaches it, or what it holds. A shown element under
// another (VITESSE under the result panel) is no more there for a reader than for the eye.
bool in_sight(const Form& form, const Box& box) {
  const PixelRect r = window_rect(box);
  for (const Element* e = box_at(form, r.x + r.width / 2, r.y + r.height / 2); e != nullptr;
       e = e->container()) {
    if (e == &box) return true;
  }
  return false;
}

}  // namespace

Reading::Reading(const Form& form, int window)
    : form_(form), window_(window), tables_(form.boxes().size(), 0) {}

std::vector<Reading::Node> Reading::now() const {
  std::vector<Node> nodes;
  if (!form_.Visible) return nodes;
  const std::vector<Box*>& boxes = form_.boxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    Box& box = *boxes[i];
    if (!box.shown() || !in_sight(form_, box)) continue;
    const Accessible read = accessible_of(box);
    if (read.decorative) continue;
    nodes.push_back(
        {static_cast<int>(i), kind_of(read.role), read.name, window_rect(box), read.announced});
  }
  // Reading order, which is also the order of the keyboard's Tab: row by row, left to right.
  std::stable_sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) {
    return std::pair(a.place.y, a.place.x) < std::pair(b.place.y, b.place.x);
  });
  return nodes;
}

void Reading::sync() {
  const std::string name = accessible_of(form_).name;
  if (name != window_name_) {
    window_name_ = name;
    klb_web_read_window(window_, window_name_.c_str());
  }
  std::vector<Node> nodes = now();
  if (nodes != shown_) {
    klb_web_read_begin(window_);
    for (const Node& node : nodes) {
      // Told when it comes into sight or its text changes there.
      const bool told =
          node.announced && std::none_of(shown_.begin(), shown_.end(), [&](const Node& was) {
            return was.element == node.element && was.name == node.name;
          });
      klb_web_read_node(window_, node.element, node.kind.c_str(), node.name.c_str(), node.place.x,
                        node.place.y, node.place.width, node.place.height, told);
    }
    klb_web_read_end(window_);
    shown_ = std::move(nodes);
  }
  for (const Node& node : shown_) send_table(node);
}

// The grid's cells, again each time they changed.
void Reading::send_table(const Node& node) {
  visit(*form_.boxes()[static_cast<std::size_t>(node.element)],
        Overloaded{
            [&](Grid& grid) {
              unsigned long& sent = tables_[static_cast<std::size_t>(node.element)];
              if (sent == grid.version() + 1) return;
              sent = grid.version() + 1;
              klb_web_read_table(window_, node.element, grid.rows(), grid.cols());
              for (int row = 0; row < grid.rows(); ++row) {
                for (int col = 0; col < grid.cols(); ++col) {
                  klb_web_read_cell(window_, node.element, row, col,
                                    cell_text(grid, row, col).c_str());
                }
              }
            },
            [](auto&) {},
        });
}

const Box* Reading::offered(int element) const {
  for (const Node& node : shown_) {
    if (node.element == element) return form_.boxes()[static_cast<std::size_t>(element)];
  }
  return nullptr;
}

}  // namespace ui::web
