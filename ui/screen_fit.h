#pragma once

#include "ui/layout.h"

// How large a window is drawn and where it goes on its screen, the same in every binding.
namespace ui {

// The window system's frame around a client area, in screen pixels.
struct Frame {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The whole scale nearest to the screen's (a half rounds up, as 150 % gives 2), lowered until
// the client area at that scale, with its frame, fits the work area; never below 1. The pixel
// art then grows in even squares and no part of the window is out of reach.
// screen_scale: the screen's pixels per 96-dpi pixel; client: the client area at scale 1.
int fitting_scale(double screen_scale, PixelRect client, Frame frame, PixelRect work_area);

// The largest whole scale at which the client area with its frame fits the work area: a phone
// or a tablet shows one window at a time, as large as its screen takes it. Never below the
// screen's own scale (rounded as above), so that its text reads as large as a desktop's at
// 100 %: a window too large for the area at that scale pans inside it instead.
int filling_scale(double screen_scale, PixelRect client, Frame frame, PixelRect work_area);

// The whole window, frame included, moved the least that puts it inside the work area; its top
// left corner when it is larger than the area, so the caption and close control stay in reach.
PixelRect placed_inside(PixelRect outer, PixelRect work_area);

// The whole window centred on the work area, and inside it.
PixelRect centred_in(PixelRect outer, PixelRect work_area);

// Where a client area goes when its whole window, the frame included, is centred on the work area
// (centre) or moved the least that puts it inside: toolkits that place a window by its client
// area.
PixelRect client_placed(PixelRect client, Frame frame, PixelRect work_area, bool centre);

}  // namespace ui
