#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/event_sink.h"
#include "ui/form.h"

namespace ui::win32 {

struct AccessibleLink;

// A window as screen readers see it through MSAA: its client object, named by the caption, whose
// children are the shown elements a reader can read or press. Nothing of it is loaded before a
// reader first asks: a game played without one starts and runs as before.
class AccessibleWindow {
 public:
  AccessibleWindow(Form& form, EventSink& sink);
  ~AccessibleWindow();
  AccessibleWindow(const AccessibleWindow&) = delete;
  AccessibleWindow& operator=(const AccessibleWindow&) = delete;

  // Answers WM_GETOBJECT for the client area, and turns a press a reader asked for into the
  // element's click; nothing for every other message.
  std::optional<LRESULT> on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Once the model has changed: tells readers of the texts that changed while shown, and of
  // elements that came or went.
  void sync(HWND window);

 private:
  class Apartment;
  struct Told {
    bool readable = false;
    std::string name;
  };

  Form& form_;
  EventSink& sink_;
  std::shared_ptr<AccessibleLink> link_;  // made by the first request
  std::unique_ptr<Apartment> apartment_;  // left before the libraries are freed
  std::vector<Told> told_;                // per box of the form, as last synced
};

}  // namespace ui::win32
