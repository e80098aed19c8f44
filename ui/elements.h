#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ui {

struct Colour {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

enum class Align { left, centre };

class Picture;
class Label;
class Button;
class Grid;

// What a window system does with each kind of box; every binding walks the model through it.
class BoxVisitor {
 public:
  virtual void visit(Picture& picture) = 0;
  virtual void visit(Label& label) = 0;
  virtual void visit(Button& button) = 0;
  virtual void visit(Grid& grid) = 0;

 protected:
  ~BoxVisitor() = default;
};

struct Font {
  std::string family;
  double points = 0;
  bool bold = false;
};

// Anything a window holds that has a name, a container and its own Visible setting.
class Box;

class Element {
 public:
  Element(std::string name, Element* container, bool visible);
  virtual ~Element() = default;
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  const std::string& name() const { return name_; }
  Element* container() const { return container_; }

  // True while the element and every container above it, up to the window, are visible.
  bool shown() const;

  bool Visible;  // the element's own setting, whatever its containers say

  // Pixels of its own border between an element's edge and the elements it holds.
  virtual int inset() const { return 0; }
  // The element as a box with a place, or null for a window.
  virtual const Box* as_box() const { return nullptr; }

 private:
  std::string name_;
  Element* container_;
};

struct Rect {
  float left = 0, top = 0, width = 0, height = 0;
};

// An element with a place: Left and Top in twips from its container's inner upper-left corner.
// The floats are kept exactly as set; rounding to pixels is the drawing's business.
class Box : public Element {
 public:
  Box(std::string name, Element* container, Rect r, bool visible);

  virtual void accept(BoxVisitor& visitor) = 0;
  const Box* as_box() const override { return this; }

  float Left, Top, Width, Height;
};

class Picture : public Box {
 public:
  using Box::Box;
  void accept(BoxVisitor& visitor) override { visitor.visit(*this); }
  int inset() const override { return sunken_frame ? 2 : 0; }

  std::string picture;  // name of the image in the program's resources; empty for none
  Colour BackColor{255, 255, 255};
  bool sunken_frame = false;
  std::string ToolTipText;
  std::function<void()> Click;
};

class Label : public Box {
 public:
  using Box::Box;
  void accept(BoxVisitor& visitor) override { visitor.visit(*this); }

  std::string Caption;
  Colour ForeColor{0, 0, 0};
  Colour BackColor{255, 255, 255};
  Font font;
  Align Alignment = Align::left;
};

class Button : public Box {
 public:
  using Box::Box;
  void accept(BoxVisitor& visitor) override { visitor.visit(*this); }

  std::string Caption;
  std::optional<Colour> BackColor;  // none: the platform's standard button face
  Font font;
  std::function<void()> Click;
};

struct Ends {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// A one-pixel line drawn on the window's own surface, behind every other element.
class Line : public Element {
 public:
  Line(std::string name, Element* container, Ends ends, bool visible);

  float X1, Y1, X2, Y2;
};

}  // namespace ui
