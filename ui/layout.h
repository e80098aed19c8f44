#pragma once

#include <utility>

#include "ui/elements.h"
#include "ui/grid.h"

// How every binding places the model on screen and tells its kinds of box apart.
namespace ui {

// The model is drawn at 15 twips a pixel.
int px(float twips);

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// In pixels from the upper-left corner of the box's container, the container's border included.
PixelRect local_rect(const Box& box);
// In pixels from the upper-left corner of the window's client area.
PixelRect window_rect(const Box& box);

// Calls f with the box as what it is: Picture&, Label&, Button& or Grid&. Pass an Overloaded of
// lambdas, with `[](auto&) {}` for the kinds that do not matter.
template <class F>
void visit(Box& box, F&& f) {
  struct Adapter final : BoxVisitor {
    explicit Adapter(F& f) : f_(f) {}
    void visit(Picture& p) override { f_(p); }
    void visit(Label& l) override { f_(l); }
    void visit(Button& b) override { f_(b); }
    void visit(Grid& g) override { f_(g); }
    F& f_;
  } adapter(f);
  box.accept(adapter);
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace ui
