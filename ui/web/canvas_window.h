#pragma once

#include <string>

#include "ui/click_tracker.h"
#include "ui/event_sink.h"
#include "ui/form.h"
#include "ui/key_filter.h"
#include "ui/web/reading.h"

namespace ui::web {

// A window on the page: its caption bar and a canvas of its client area, at the whole scale
// that fits the page. It paints the model through the shared walk and hands clicks and keys
// to the elements they reach; what screen readers find of it is its Reading.
class CanvasWindow {
 public:
  // id: the number the page knows the window by.
  CanvasWindow(Form& form, int id, EventSink& events);
  CanvasWindow(const CanvasWindow&) = delete;
  CanvasWindow& operator=(const CanvasWindow&) = delete;

  // Brought in line with the model: caption, scale, shown or not, and painted.
  void sync();
  // The scale that fits the page's room now, and painted if it changed.
  void refit();

  // The page's events, at a point of the client area in pixels at scale 1.
  void press(int x, int y);
  void release(int x, int y);
  void cancel_press();
  void key(const KeyPress& press);
  void close();
  // A reader's press of the element the page numbers so: a click at its middle, as the mouse
  // makes it; nothing unless the page offers that element now.
  void activate(int element);

 private:
  void fit();
  void paint();

  Form& form_;
  int id_;
  EventSink& events_;
  int scale_ = 0;
  std::string caption_;
  ClickTracker clicks_;
  Reading reading_;
};

}  // namespace ui::web
