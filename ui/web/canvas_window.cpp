#include "ui/web/canvas_window.h"

#include <emscripten/emscripten.h>

#include <cstddef>

#include "ui/layout.h"
#include "ui/screen_fit.h"
#include "ui/web/look.h"
#include "ui/web/web_system.h"

// In page.js.
extern "C" {
void klb_web_window_open(int id, const char* caption);
void klb_web_window_caption(int id, const char* caption);
void klb_web_window_size(int id, int width, int height, int scale);
void klb_web_window_show(int id, int shown);
void klb_web_screen(void* out);
void klb_web_page_sizes(int caption_bar, int border, std::size_t ratio, std::size_t bar,
                        std::size_t width, std::size_t height, std::size_t fill);
}

namespace ui::web {

namespace {

// As klb_web_screen fills it.
struct Screen {
  double ratio;                    // device pixels per CSS pixel
  int caption_bar, width, height;  // device pixels
  int fill;                        // a touch screen's: the window as large as the room takes it
};

// A window's frame on the page, in CSS pixels: the caption bar above the canvas, a border
// all round.
constexpr int kCaptionBar = 24;
constexpr int kBorder = 1;

}  // namespace

CanvasWindow::CanvasWindow(Form& form, int id, EventSink& events)
    : form_(form), id_(id), events_(events), caption_(form.Caption), reading_(form, id) {
  klb_web_page_sizes(kCaptionBar, kBorder, offsetof(Screen, ratio), offsetof(Screen, caption_bar),
                     offsetof(Screen, width), offsetof(Screen, height), offsetof(Screen, fill));
  klb_web_window_open(id_, caption_.c_str());
  fit();
}

// The page is the screen: the room it gives is the work area, the caption bar the frame.
void CanvasWindow::fit() {
  Screen screen{};
  klb_web_screen(&screen);
  const PixelRect client{0, 0, px(form_.ScaleWidth), px(form_.ScaleHeight)};
  const Frame frame{0, screen.caption_bar, 0, 0};
  const PixelRect room{0, 0, screen.width, screen.height};
  const int scale = screen.fill != 0 ? filling_scale(screen.ratio, client, frame, room)
                                     : fitting_scale(screen.ratio, client, frame, room);
  if (scale == scale_) return;
  scale_ = scale;
  klb_web_window_size(id_, client.width, client.height, scale_);
}

void CanvasWindow::sync() {
  if (form_.Caption != caption_) {
    caption_ = form_.Caption;
    klb_web_window_caption(id_, caption_.c_str());
  }
  fit();
  klb_web_window_show(id_, form_.Visible);
  // A canvas keeps what it was given: only a window on show needs its new frame.
  if (form_.Visible) paint();
  reading_.sync();
}

// A new scale clears the canvas: a window on show is painted again at once, box open or not.
void CanvasWindow::refit() {
  const int before = scale_;
  fit();
  if (scale_ != before && form_.Visible) paint();
}

void CanvasWindow::paint() {
  CanvasPainter painter(id_, form_);
  paint_surface(form_, clicks_.pressed(), painter);
}

void CanvasWindow::press(int x, int y) {
  if (clicks_.press(form_, x, y)) paint();
}

void CanvasWindow::release(int x, int y) {
  const bool pressed = clicks_.pressed() != nullptr;
  const std::function<void()>* click = clicks_.release(form_, x, y);
  if (pressed) paint();
  if (click != nullptr) events_.deliver(form_, *click, EventSink::Source::player);
}

void CanvasWindow::cancel_press() {
  if (clicks_.cancel()) paint();
}

void CanvasWindow::key(const KeyPress& press) {
  press_key(form_, press, events_);
}

void CanvasWindow::activate(int element) {
  const Box* box = reading_.offered(element);
  if (box == nullptr) return;
  const PixelRect r = window_rect(*box);
  press(r.x + r.width / 2, r.y + r.height / 2);
  release(r.x + r.width / 2, r.y + r.height / 2);
}

void CanvasWindow::close() {
  events_.window_closed(form_);
}

}  // namespace ui::web

// The page's room changed (a resize, a rotation, a zoom). Called at once, not as a handler: a
// window under a box or a storage call is refitted too.
extern "C" EMSCRIPTEN_KEEPALIVE void klb_web_refit(int window) {
  auto* system = ui::web::WebSystem::on_page();
  if (auto* w = system == nullptr ? nullptr : system->window(window)) w->refit();
}
