#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ui::win32 {

// GDI objects, window handles and libraries that free themselves.
struct GdiObjectDeleter {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct LibraryDeleter {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

struct HandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleDeleter>;

// Selects an object into a device context for the life of the guard.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Clips drawing to a rectangle for the life of the guard.
class Clip {
 public:
  Clip(HDC dc, const RECT& r) : dc_(dc), saved_(SaveDC(dc)) {
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  ~Clip() { RestoreDC(dc_, saved_); }
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace ui::win32
