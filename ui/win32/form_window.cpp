#include "ui/win32/form_window.h"

#include <commctrl.h>

#include "ui/key_filter.h"
#include "ui/layout.h"
#include "ui/runtime_error.h"
#include "ui/screen_fit.h"
#include "ui/surface.h"
#include "ui/win32/text.h"

// Sent by Windows 8.1 and later, whose declarations a Vista build does not see.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace ui::win32 {

namespace {

// One paint of a window, on a device context at the window's scale.
class GdiPainter : public SurfacePainter {
 public:
  GdiPainter(HDC dc, const RECT& client, FontBook& fonts, Pictures& pictures, int scale)
      : dc_(dc), client_(client), fonts_(fonts), pictures_(pictures), scale_(scale) {}

  void background(Colour colour) override { fill(dc_, client_, rgb(colour)); }
  void line(const Line& l) override {
    draw_line(dc_, {px(l.X1), px(l.Y1)}, {px(l.X2), px(l.Y2)}, scale_, RGB(0, 0, 0));
  }
  void clip(const PixelRect& area) override {
    clip_.reset();
    clip_.emplace(dc_, rect_of(area, scale_));
  }
  void picture(const Picture& p, const PixelRect& r) override {
    draw_picture(dc_, p, rect_of(r, scale_), ink(false));
  }
  void label(const Label& l, const PixelRect& r) override {
    draw_label(dc_, l, rect_of(r, scale_), ink(false));
  }
  void button(const Button& b, const PixelRect& r, bool pressed) override {
    draw_button(dc_, b, rect_of(r, scale_), ink(pressed));
  }
  void grid(const Grid& g, const PixelRect& r) override {
    draw_grid(dc_, g, rect_of(r, scale_), ink(false));
  }

 private:
  Ink ink(bool pressed) const { return {fonts_, pictures_, scale_, pressed}; }

  HDC dc_;
  RECT client_;
  FontBook& fonts_;
  Pictures& pictures_;
  int scale_;
  std::optional<Clip> clip_;
};

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT kWake = WM_USER + 1;  // from the waker, while Windows runs a loop of its own

// The calls of Windows 10 that older systems lack, looked up where they exist.
template <class F>
F user32_call(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int dpi_of(HWND window) {
  using GetDpiForWindow = UINT(WINAPI*)(HWND);
  if (auto get = user32_call<GetDpiForWindow>("GetDpiForWindow"))
    return static_cast<int>(get(window));
  HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(window, dc);
  return dpi;
}

// The frame Windows draws around a client area at that dpi.
Frame frame_at(int dpi) {
  RECT r{0, 0, 0, 0};
  using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  if (auto adjust = user32_call<Adjust>("AdjustWindowRectExForDpi")) {
    adjust(&r, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  }
  return {-r.left, -r.top, r.right, r.bottom};
}

PixelRect work_area_of(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const RECT& r = info.rcWork;
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool same(const RECT& a, const RECT& b) {
  return EqualRect(&a, &b) != FALSE;
}

}  // namespace

void FormWindow::register_class(HINSTANCE instance) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);
}

FormWindow::FormWindow(Form& form, EventSink& sink, LoopTicks& ticks)
    : form_(form), sink_(sink), ticks_(ticks), accessible_(form, sink) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // The window procedure takes the handle as the window is created.
  caption_ = form.Caption;
  CreateWindowExW(kExStyle, kClassName, wide(caption_).c_str(), kStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this);
  if (!window_) throw RuntimeError("la fenêtre " + form.name() + " ne peut être créée");
  place_first();
}

// When the mouse first comes over the window: a tip shows only under it. Made before, the tips
// and the common controls they need would cost every start-up some milliseconds and 3 MiB.
void FormWindow::make_tips() {
  tips_made_ = true;
  std::vector<Picture*> tipped;
  for (Box* box : form_.boxes()) {
    visit(*box, Overloaded{
                    [&](Picture& picture) {
                      if (!picture.ToolTipText.empty()) tipped.push_back(&picture);
                    },
                    [](auto&) {},
                });
  }
  if (tipped.empty()) return;
  // By name, not from the system's folder: the manifest's version 6 is the one loaded.
  common_controls_.reset(LoadLibraryW(L"comctl32.dll"));
  using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto init = reinterpret_cast<Init>(
      reinterpret_cast<void*>(GetProcAddress(common_controls_.get(), "InitCommonControlsEx")));
  const INITCOMMONCONTROLSEX tooltips{sizeof tooltips, ICC_BAR_CLASSES};
  if (init == nullptr || !init(&tooltips)) return;
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  for (Picture* picture : tipped) {
    std::wstring text = wide(picture->ToolTipText);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = handle();
    tool.uId = tip_rects_.size();
    tool.lpszText = text.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tip_rects_.push_back({picture, RECT{}});
  }
  sync_tips();
}

FormWindow::Fit FormWindow::fit_for(int dpi, HMONITOR monitor) const {
  const PixelRect client{0, 0, px(form_.ScaleWidth), px(form_.ScaleHeight)};
  const Frame frame = frame_at(dpi);
  const PixelRect work_area = work_area_of(monitor);
  const int scale = fitting_scale(dpi / 96.0, client, frame, work_area);
  return {scale,
          {client.width * scale + frame.left + frame.right,
           client.height * scale + frame.top + frame.bottom},
          work_area};
}

void FormWindow::take(int scale, PixelRect outer) {
  scale_ = scale;
  SetWindowPos(handle(), nullptr, outer.x, outer.y, outer.width, outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  sync_tips();
  InvalidateRect(handle(), nullptr, FALSE);
}

// Where Windows would open it, or centred; inside the work area of its monitor either way.
void FormWindow::place_first() {
  const Fit fit = fit_for(dpi_of(handle()), MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST));
  RECT now;
  GetWindowRect(handle(), &now);
  const PixelRect outer{now.left, now.top, fit.outer.cx, fit.outer.cy};
  take(fit.scale,
       form_.centred ? centred_in(outer, fit.work_area) : placed_inside(outer, fit.work_area));
}

// Asked before the window moves to a screen of another dpi, which it is mostly on already.
SIZE FormWindow::scaled_size(int dpi) const {
  return fit_for(dpi, MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST)).outer;
}

// The size is the rule's for the new screen, as scaled_size gave it, whatever was suggested.
void FormWindow::dpi_changed(int dpi, const RECT& suggested) {
  const Fit fit = fit_for(dpi, MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST));
  const PixelRect outer{suggested.left, suggested.top, fit.outer.cx, fit.outer.cy};
  // Dragged across screens, it stays under the mouse; else it moves inside the work area.
  take(fit.scale, moving_ ? outer : placed_inside(outer, fit.work_area));
}

// Counted: Windows tells of a move or a menu from inside a loop that it may have run already.
void FormWindow::modal_loop(bool entered) {
  if (entered) {
    if (system_loops_++ == 0) waker_.emplace(handle(), kWake);
  } else if (system_loops_ > 0 && --system_loops_ == 0) {
    waker_.reset();
  }
}

// Windows may run a loop of its own in there without a word: while a caption button is held, or
// before a held caption turns into a move, it takes the mouse's messages alone until the release.
LRESULT FormWindow::around_system_loop(UINT message, WPARAM wparam, LPARAM lparam) {
  modal_loop(true);
  const LRESULT result = DefWindowProcW(handle(), message, wparam, lparam);
  modal_loop(false);
  return result;
}

void FormWindow::sync() {
  // Compared with the caption last given, not read back from the window at every tick.
  if (form_.Caption != caption_) {
    caption_ = form_.Caption;
    SetWindowTextW(handle(), wide(caption_).c_str());
  }
  sync_tips();
  accessible_.sync(handle());
  // Redrawing the whole surface costs less than finding what changed: a few hundred pixels
  // of pictures, or the viewer's grid every two seconds.
  InvalidateRect(handle(), nullptr, FALSE);
  if ((IsWindowVisible(handle()) != FALSE) != form_.Visible) {
    ShowWindow(handle(), form_.Visible ? SW_SHOW : SW_HIDE);
  }
}

void FormWindow::sync_tips() {
  for (std::size_t i = 0; i < tip_rects_.size(); ++i) {
    auto& [picture, drawn] = tip_rects_[i];
    // A hidden picture keeps its tool with an empty area: it shows no tip.
    const RECT now = picture->shown() ? rect_of(window_rect(*picture), scale_) : RECT{};
    if (same(now, drawn)) continue;
    drawn = now;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = handle();
    tool.uId = i;
    tool.rect = now;
    SendMessageW(tips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

LRESULT CALLBACK FormWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.reset(window);
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return self->on_message(message, wparam, lparam);
}

LRESULT FormWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (auto answer = accessible_.on_message(handle(), message, wparam, lparam)) return *answer;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT:
      paint();
      return 0;
    case WM_PRINTCLIENT:  // a copy of the window asked for by another program, or a test
      draw(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_MOUSEMOVE:
      if (!tips_made_) make_tips();
      break;
    case WM_LBUTTONDOWN:
      press({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_LBUTTONUP:
      release({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_CAPTURECHANGED:
      if (clicks_.cancel()) InvalidateRect(handle(), nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if (key(wparam, lparam)) return 0;
      break;
    case WM_CLOSE:
      // Closing hides; the system ends the program when no window is left on screen.
      sink_.window_closed(form_);
      return 0;
    case WM_GETDPISCALEDSIZE:
      *reinterpret_cast<SIZE*>(lparam) = scaled_size(LOWORD(wparam));
      return TRUE;
    case WM_DPICHANGED:
      dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ENTERSIZEMOVE:
      moving_ = true;
      modal_loop(true);
      return 0;
    case WM_EXITSIZEMOVE:
      moving_ = false;
      modal_loop(false);
      return 0;
    case WM_ENTERMENULOOP:
      modal_loop(true);
      return 0;
    case WM_EXITMENULOOP:
      modal_loop(false);
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_SYSCOMMAND:
      return around_system_loop(message, wparam, lparam);
    case kWake:
      // One sent before the loop ended may come later, in the program's loop: it serves what is
      // due, as that loop would.
      ticks_.serve_due_ticks();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(handle(), GWLP_USERDATA, 0);
      (void)window_.release();  // being destroyed already
      break;
    default:
      break;
  }
  return DefWindowProcW(window_.get(), message, wparam, lparam);
}

void FormWindow::paint() {
  PAINTSTRUCT ps;
  HDC screen = BeginPaint(handle(), &ps);
  RECT client;
  GetClientRect(handle(), &client);
  // Drawn off screen first, so a tick never shows a half-drawn frame.
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP surface = CreateCompatibleBitmap(screen, client.right, client.bottom);
  {
    Selected selected(dc, surface);
    draw(dc);
    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  }
  DeleteObject(surface);
  DeleteDC(dc);
  EndPaint(handle(), &ps);
}

void FormWindow::draw(HDC dc) {
  RECT client;
  GetClientRect(handle(), &client);
  GdiPainter painter(dc, client, fonts_, pictures_, scale_);
  paint_surface(form_, clicks_.pressed(), painter);
}

void FormWindow::press(POINT at) {
  if (!clicks_.press(form_, at.x / scale_, at.y / scale_)) return;
  SetCapture(handle());
  InvalidateRect(handle(), nullptr, FALSE);
}

void FormWindow::release(POINT at) {
  if (clicks_.pressed() == nullptr) return;
  const std::function<void()>* click = clicks_.release(form_, at.x / scale_, at.y / scale_);
  ReleaseCapture();  // its WM_CAPTURECHANGED finds nothing pressed
  InvalidateRect(handle(), nullptr, FALSE);
  if (click != nullptr) sink_.deliver(form_, *click, EventSink::Source::player);
}

bool FormWindow::key(WPARAM virtual_key, LPARAM flags) {
  // Windows numbers its virtual keys as the model does.
  const KeyPress press{key_numbered(static_cast<int>(virtual_key)),
                       GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0,
                       (flags & (1 << 30)) != 0};
  return press_key(form_, press, sink_);
}

}  // namespace ui::win32
