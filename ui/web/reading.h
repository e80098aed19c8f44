#pragma once

#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/layout.h"

namespace ui::web {

// What a screen reader finds of a window on the page: the shared reading of each element a
// player can see (shown, not decoration, not under another), mirrored by the page as a node of
// its kind over the element's place on the canvas, in reading order; the texts it announces as
// they come. The canvas itself is hidden from readers, and nothing here changes a pixel of it.
class Reading {
 public:
  // window: the number the page knows the window by.
  Reading(const Form& form, int window);
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;

  // Brought in line with the model; the page is told only what changed.
  void sync();

  // The element the page numbers so, while the page offers it to readers; else null.
  const Box* offered(int element) const;

 private:
  struct Node {
    int element;  // the box's place in the form's list
    std::string kind;
    std::string name;
    PixelRect place;
    bool announced;
    friend bool operator==(const Node&, const Node&) = default;
  };

  std::vector<Node> now() const;
  void send_table(const Node& node);

  const Form& form_;
  int window_;
  std::string window_name_;
  std::vector<Node> shown_;
  std::vector<unsigned long> tables_;  // for each element, 1 + the grid's version last sent
};

}  // namespace ui::web
