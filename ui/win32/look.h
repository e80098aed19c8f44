#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "ui/elements.h"
#include "ui/grid.h"
#include "ui/layout.h"
#include "ui/win32/gdi.h"

namespace ui::win32 {

COLORREF rgb(Colour c);
RECT rect_of(PixelRect r, int scale);

// The fonts of one window at its scale: the family asked for where installed, else Comic Neue,
// else the system's sans-serif, as on Linux. Point sizes become pixel sizes at 96 DPI times the
// whole scale, so text fits its box on every screen.
class FontBook {
 public:
  HFONT font(const Font& f, int scale);

 private:
  bool installed(const std::wstring& family);

  std::map<std::wstring, bool> installed_;
  std::map<std::tuple<std::string, double, bool, int>, UniqueFont> fonts_;
};

// The program's pictures, loaded from its resources on first use: the bitmap named as the
// picture, in capitals. A picture missing from the resources draws nothing.
class Pictures {
 public:
  HBITMAP get(const std::string& name);

 private:
  std::map<std::string, UniqueBitmap> loaded_;
};

// What a box is drawn with besides its model.
struct Ink {
  FontBook& fonts;
  Pictures& pictures;
  int scale;
  bool pressed;  // the box is held down by the mouse
};

void fill(HDC dc, const RECT& r, COLORREF colour);
// From one pixel to the other, both included, scale pixels thick.
void draw_line(HDC dc, POINT from, POINT to, int scale, COLORREF colour);

void draw_picture(HDC dc, const Picture& picture, const RECT& r, const Ink& ink);
void draw_label(HDC dc, const Label& label, const RECT& r, const Ink& ink);
void draw_button(HDC dc, const Button& button, const RECT& r, const Ink& ink);
void draw_grid(HDC dc, const Grid& grid, const RECT& r, const Ink& ink);

}  // namespace ui::win32
