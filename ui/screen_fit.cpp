#include "ui/screen_fit.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

bool fits(PixelRect client, int scale, Frame frame, PixelRect work_area) {
  return client.width * scale + frame.left + frame.right <= work_area.width &&
         client.height * scale + frame.top + frame.bottom <= work_area.height;
}

// Inside [start, start + room) if it can be, else at start.
int clamped(int at, int size, int start, int room) {
  return std::max(start, std::min(at, start + room - size));
}

// A half rounds up, as 150 % gives 2.
int nearest_scale(double screen_scale) {
  return std::max(1, static_cast<int>(std::floor(screen_scale + 0.5)));
}

}  // namespace

int fitting_scale(double screen_scale, PixelRect client, Frame frame, PixelRect work_area) {
  int scale = nearest_scale(screen_scale);
  while (scale > 1 && !fits(client, scale, frame, work_area)) --scale;
  return scale;
}

int filling_scale(double screen_scale, PixelRect client, Frame frame, PixelRect work_area) {
  const int across = (work_area.width - frame.left - frame.right) / std::max(1, client.width);
  const int down = (work_area.height - frame.top - frame.bottom) / std::max(1, client.height);
  return std::max(nearest_scale(screen_scale), std::min(across, down));
}

PixelRect placed_inside(PixelRect outer, PixelRect work_area) {
  outer.x = clamped(outer.x, outer.width, work_area.x, work_area.width);
  outer.y = clamped(outer.y, outer.height, work_area.y, work_area.height);
  return outer;
}

PixelRect centred_in(PixelRect outer, PixelRect work_area) {
  outer.x = work_area.x + (work_area.width - outer.width) / 2;
  outer.y = work_area.y + (work_area.height - outer.height) / 2;
  return placed_inside(outer, work_area);
}

PixelRect client_placed(PixelRect client, Frame frame, PixelRect work_area, bool centre) {
  PixelRect outer{client.x - frame.left, client.y - frame.top,
                  client.width + frame.left + frame.right,
                  client.height + frame.top + frame.bottom};
  outer = centre ? centred_in(outer, work_area) : placed_inside(outer, work_area);
  client.x = outer.x + frame.left;
  client.y = outer.y + frame.top;
  return client;
}

}  // namespace ui
