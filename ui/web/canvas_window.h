#pragma once

#include <functional>
#include <string>

#include "ui/dispatcher.h"
#include "ui/form.h"

namespace ui::web {

// What a window tells the system: the player's acts, for the one-handler-at-a-time dispatch.
class WindowEvents {
 public:
  using Source = Dispatcher::Source;
  virtual void deliver(Form& form, const std::function<void()>& handler, Source source) = 0;
  virtual void window_closed(Form& form) = 0;

 protected:
  ~WindowEvents() = default;
};

// A window on the page: its caption bar and a canvas of its client area, at the whole scale
// that fits the page. It paints the model through the shared walk and hands clicks and keys
// to the elements they reach.
class CanvasWindow {
 public:
  // id: the number the page knows the window by.
  CanvasWindow(Form& form, int id, WindowEvents& events);
  CanvasWindow(const CanvasWindow&) = delete;
  CanvasWindow& operator=(const CanvasWindow&) = delete;

  // Brought in line with the model: caption, scale, shown or not, and painted.
  void sync();

  // The page's events, at a point of the client area in pixels at scale 1.
  void press(int x, int y);
  void release(int x, int y);
  void key(int code);
  void close();

 private:
  void fit();
  void paint();

  Form& form_;
  int id_;
  WindowEvents& events_;
  int scale_ = 0;
  std::string caption_;
  Box* pressed_ = nullptr;
};

}  // namespace ui::web
