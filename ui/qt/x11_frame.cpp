#include "ui/qt/x11_frame.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace ui::qt {

namespace {

using namespace std::chrono_literals;

struct Free {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, Free>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const auto length = static_cast<std::uint16_t>(std::strlen(name));
  const Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, length, name), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window's property of that type; none if it has no such property.
std::vector<std::uint32_t> values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                  xcb_atom_t type) {
  const Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
  if (!reply) return {};
  const auto* first = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {first, first + xcb_get_property_value_length(reply.get()) / 4};
}

}  // namespace

std::optional<Frame> announced_frame(const QWindow& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) return std::nullopt;
  xcb_connection_t* c = x11->connection();
  const auto id = static_cast<xcb_window_t>(window.winId());
  const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr));
  if (!tree) return std::nullopt;
  const xcb_window_t root = tree->root;

  // A running window manager names a window of its own on the root, which names itself too; a
  // manager that has gone leaves a name that no longer does.
  const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
  const std::vector<std::uint32_t> manager = values(c, root, check, XCB_ATOM_WINDOW);
  if (manager.empty() || values(c, manager[0], check, XCB_ATOM_WINDOW) != manager) return Frame{};

  const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
  const auto said = [&]() -> std::optional<Frame> {
    const std::vector<std::uint32_t> v = values(c, id, extents, XCB_ATOM_CARDINAL);
    if (v.size() != 4) return std::nullopt;
    // Left, right, top, bottom.
    return Frame{static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                 static_cast<int>(v[3])};
  };
  const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  const std::vector<std::uint32_t> supported =
      values(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  if (std::find(supported.begin(), supported.end(), request) == supported.end()) {
    return std::nullopt;
  }
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = id;
  message.type = request;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  // The answer is a property the manager sets on the window (each look at it sends the request
  // first); a busy manager may take a moment. Without one in time, the frame is known once the
  // window is shown.
  const auto end = std::chrono::steady_clock::now() + 500ms;
  while (std::chrono::steady_clock::now() < end) {
    if (auto answered = said()) return answered;
    std::this_thread::sleep_for(4ms);
  }
  return std::nullopt;
}

}  // namespace ui::qt
