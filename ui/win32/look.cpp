#include "ui/win32/look.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "ui/bevel.h"
#include "ui/grid_cells.h"
#include "ui/win32/text.h"

namespace ui::win32 {

namespace {

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

int system_colour(Shade shade) {
  switch (shade) {
    case Shade::face:
      return COLOR_3DFACE;
    case Shade::light:
      return COLOR_3DLIGHT;
    case Shade::highlight:
      return COLOR_3DHILIGHT;
    case Shade::shadow:
      return COLOR_3DSHADOW;
    case Shade::dark_shadow:
      return COLOR_3DDKSHADOW;
  }
  return COLOR_3DFACE;
}

// r in device pixels, a whole number of pixels of the model; each band scale pixels thick.
void draw_bevel(HDC dc, const RECT& r, const Bevel& bevel, int scale) {
  const PixelRect area{r.left / scale, r.top / scale, (r.right - r.left) / scale,
                       (r.bottom - r.top) / scale};
  for (const Band& band : bevel_bands(area, bevel)) {
    fill(dc, rect_of(band.rect, scale), GetSysColor(system_colour(band.shade)));
  }
}

void draw_text(HDC dc, const std::string& text, RECT r, UINT format, COLORREF colour) {
  const std::wstring shown = wide(text);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r, format | DT_NOPREFIX);
}

}  // namespace

COLORREF rgb(Colour c) {
  return RGB(c.r, c.g, c.b);
}

RECT rect_of(PixelRect r, int scale) {
  return {r.x * scale, r.y * scale, (r.x + r.width) * scale, (r.y + r.height) * scale};
}

bool FontBook::installed(const std::wstring& family) {
  auto it = installed_.find(family);
  if (it != installed_.end()) return it->second;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  family.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &query, note_found, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  installed_[family] = found;
  return found;
}

HFONT FontBook::font(const Font& f, int scale) {
  auto key = std::make_tuple(f.family, f.points, f.bold, scale);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second.get();
  LOGFONTW spec{};
  spec.lfHeight = -static_cast<LONG>(std::lround(f.points * 4.0 / 3.0)) * scale;
  spec.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
  spec.lfCharSet = DEFAULT_CHARSET;
  // Smoothed as on Linux, whatever the system's setting: thin strokes of a bold face read as
  // regular.
  spec.lfQuality = ANTIALIASED_QUALITY;
  spec.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  for (const std::wstring& family : {wide(f.family), std::wstring(L"Comic Neue")}) {
    if (installed(family)) {
      family.copy(spec.lfFaceName, LF_FACESIZE - 1);
      break;
    }
  }
  HFONT made = CreateFontIndirectW(&spec);
  fonts_[key] = UniqueFont(made);
  return made;
}

HBITMAP Pictures::get(const std::string& name) {
  auto it = loaded_.find(name);
  if (it != loaded_.end()) return it->second.get();
  std::string resource = name;
  std::transform(resource.begin(), resource.end(), resource.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  auto* bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), wide(resource).c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  loaded_[name] = UniqueBitmap(bitmap);
  return bitmap;
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void draw_line(HDC dc, POINT from, POINT to, int scale, COLORREF colour) {
  if (from.x == to.x || from.y == to.y) {
    const RECT r{std::min(from.x, to.x) * scale, std::min(from.y, to.y) * scale,
                 (std::max(from.x, to.x) + 1) * scale, (std::max(from.y, to.y) + 1) * scale};
    fill(dc, r, colour);
    return;
  }
  // A slanted line: a pen as thick as a pixel, through the pixels' centres.
  HPEN pen = CreatePen(PS_SOLID, scale, colour);
  {
    Selected selected(dc, pen);
    const int half = scale / 2;
    MoveToEx(dc, from.x * scale + half, from.y * scale + half, nullptr);
    LineTo(dc, to.x * scale + half, to.y * scale + half);
    SetPixel(dc, to.x * scale + half, to.y * scale + half, colour);
  }
  DeleteObject(pen);
}

void draw_picture(HDC dc, const Picture& picture, const RECT& r, const Ink& ink) {
  fill(dc, r, rgb(picture.BackColor));
  const int inset = picture.inset() * ink.scale;
  const RECT inner{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
  if (HBITMAP bitmap = picture.picture.empty() ? nullptr : ink.pictures.get(picture.picture)) {
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    HDC source = CreateCompatibleDC(dc);
    {
      Selected selected(source, bitmap);
      Clip clip(dc, inner);
      // No smoothing: on a dense screen the pixel art grows in crisp squares.
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, inner.left, inner.top, size.bmWidth * ink.scale, size.bmHeight * ink.scale,
                 source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    }
    DeleteDC(source);
  }
  if (picture.sunken_frame) draw_bevel(dc, r, kSunken, ink.scale);
}

void draw_label(HDC dc, const Label& label, const RECT& r, const Ink& ink) {
  fill(dc, r, rgb(label.BackColor));
  Selected font(dc, ink.fonts.font(label.font, ink.scale));
  const UINT align = label.Alignment == Align::centre ? DT_CENTER : DT_LEFT;
  draw_text(dc, label.Caption, r, DT_TOP | align, rgb(label.ForeColor));
}

void draw_button(HDC dc, const Button& button, const RECT& r, const Ink& ink) {
  fill(dc, r, button.BackColor ? rgb(*button.BackColor) : GetSysColor(COLOR_BTNFACE));
  draw_bevel(dc, r, ink.pressed ? kPressed : kRaised, ink.scale);
  Selected font(dc, ink.fonts.font(button.font, ink.scale));
  const int shift = ink.pressed ? ink.scale : 0;
  const RECT text{r.left + shift, r.top + shift, r.right + shift, r.bottom + shift};
  draw_text(dc, button.Caption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
            GetSysColor(COLOR_BTNTEXT));
}

void draw_grid(HDC dc, const Grid& grid, const RECT& r, const Ink& ink) {
  const int s = ink.scale;
  fill(dc, r, rgb(grid.BackColorBkg));
  Selected font(dc, ink.fonts.font(grid.font, s));
  // From the grid's pixels to the window's device pixels.
  const auto placed = [&](PixelRect p) {
    return rect_of({r.left / s + p.x, r.top / s + p.y, p.width, p.height}, s);
  };
  for (const CellLook& cell : grid_cells(grid)) {
    const RECT area = placed(cell.area);
    fill(dc, area, rgb(cell.fill));
    {
      Clip clip(dc, area);
      draw_text(dc, cell.text, placed(cell.text_area), DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                rgb(grid.ForeColor));
    }
    fill(dc, placed(cell.right_line), rgb(grid.GridColor));
    fill(dc, placed(cell.bottom_line), rgb(grid.GridColor));
  }
}

}  // namespace ui::win32
