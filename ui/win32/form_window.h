#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/click_tracker.h"
#include "ui/event_sink.h"
#include "ui/form.h"
#include "ui/layout.h"
#include "ui/win32/accessible_window.h"
#include "ui/win32/gdi.h"
#include "ui/win32/look.h"
#include "ui/win32/periodic_timer.h"

namespace ui::win32 {

// While a window is moved, its menu is open or a button of its caption is held, Windows runs a
// loop of its own and the program's loop waits: the ticks that fall due meanwhile are served from
// there.
class LoopTicks {
 public:
  virtual void serve_due_ticks() = 0;

 protected:
  ~LoopTicks() = default;
};

// One window of the model: a single surface on which every shown box is drawn, back first,
// with the clicks, keys and tooltips routed from it to the model's elements.
class FormWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KlimborForm";
  // Once per program, before the first window.
  static void register_class(HINSTANCE instance);

  FormWindow(Form& form, EventSink& sink, LoopTicks& ticks);
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND handle() const { return window_.get(); }
  // Brings the window in line with the model: shown or hidden, caption, what it draws.
  void sync();
  int scale() const { return scale_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);

  // The scale and the whole window's size that a dpi and a monitor give, and where it may lie.
  struct Fit {
    int scale;
    SIZE outer;
    PixelRect work_area;
  };
  Fit fit_for(int dpi, HMONITOR monitor) const;
  void take(int scale, PixelRect outer);
  void place_first();
  SIZE scaled_size(int dpi) const;
  void dpi_changed(int dpi, const RECT& suggested);
  void modal_loop(bool entered);
  LRESULT around_system_loop(UINT message, WPARAM wparam, LPARAM lparam);
  void paint();
  void press(POINT at);
  void release(POINT at);
  bool key(WPARAM virtual_key, LPARAM flags);
  void make_tips();
  void sync_tips();
  void draw(HDC dc);

  Form& form_;
  EventSink& sink_;
  LoopTicks& ticks_;               // served from Windows' own loops
  AccessibleWindow accessible_;    // outlives the window, which may ask it to the end
  UniqueLibrary common_controls_;  // freed after the window and its tips
  UniqueWindow window_;
  int system_loops_ = 0;        // Windows' own loops running, one inside the other
  std::optional<Waker> waker_;  // while they run
  bool moving_ = false;         // the player drags the window
  bool tips_made_ = false;
  HWND tips_ = nullptr;  // a child of window_, destroyed with it
  std::vector<std::pair<Picture*, RECT>> tip_rects_;
  std::string caption_;  // as the window shows it
  int scale_ = 1;
  ClickTracker clicks_;
  FontBook fonts_;
  Pictures pictures_;
};

}  // namespace ui::win32
