#include "ui/web/canvas.h"

#include <cmath>

// In page.js.
extern "C" {
void klb_web_paint_begin(int window);
void klb_web_fill(int x, int y, int width, int height, int rgb);
void klb_web_clip(int x, int y, int width, int height);
void klb_web_unclip();
void klb_web_picture(const char* name, int x, int y);
void klb_web_text(const char* text, int x, int y, int width, int height, const char* family,
                  int size, int bold, int rgb, int centred, int middle);
}

namespace ui::web {

namespace {

int rgb(Colour c) {
  return c.r << 16 | c.g << 8 | c.b;
}

}  // namespace

Painting::Painting(int window) {
  klb_web_paint_begin(window);
}

void fill(PixelRect r, Colour c) {
  klb_web_fill(r.x, r.y, r.width, r.height, rgb(c));
}

Clip::Clip(PixelRect r) {
  klb_web_clip(r.x, r.y, r.width, r.height);
}

Clip::~Clip() {
  klb_web_unclip();
}

void picture(const std::string& name, int x, int y) {
  klb_web_picture(name.c_str(), x, y);
}

void text(const std::string& utf8, PixelRect r, const Font& font, Colour c, Place place) {
  // Sized from the points at 96 dpi, as on the desktop.
  const int size = static_cast<int>(std::lround(font.points * 4.0 / 3.0));
  const bool centred = place == Place::top_centre || place == Place::middle_centre;
  const bool middle = place == Place::middle_left || place == Place::middle_centre;
  klb_web_text(utf8.c_str(), r.x, r.y, r.width, r.height, font.family.c_str(), size, font.bold,
               rgb(c), centred, middle);
}

}  // namespace ui::web
