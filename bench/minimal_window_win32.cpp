// The floor for start-up, memory and size under Wine: the smallest Win32 program with a window of
// the game's size, style and colour, painted once. Built like the programs (static, the same
// flags), with no resources and no C++ library beyond its start-up code.
#include <windows.h>

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr wchar_t kClassName[] = L"minimal";

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HBRUSH orange = CreateSolidBrush(RGB(255, 128, 0));
      FillRect(dc, &paint.rcPaint, orange);
      DeleteObject(orange);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers it all
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.lpszClassName = kClassName;
  if (!RegisterClassExW(&type)) return 1;
  // The game's client area at 96 dpi: 1935 x 4170 twips.
  RECT outer{0, 0, 129, 278};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  HWND window = CreateWindowExW(kExStyle, kClassName, L"minimal", kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
