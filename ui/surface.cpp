#include "ui/surface.h"

#include "ui/scene.h"

namespace ui {

void paint_surface(const Form& form, const Box* pressed, SurfacePainter& painter) {
  painter.background(form.BackColor);
  for (const Line* line : form.lines()) {
    if (line->Visible) painter.line(*line);
  }
  for (Box* box : back_to_front(form)) {
    painter.clip(clip_of(form, *box));
    const PixelRect r = window_rect(*box);
    visit(*box, Overloaded{
                    [&](Picture& picture) { painter.picture(picture, r); },
                    [&](Label& label) { painter.label(label, r); },
                    [&](Button& button) { painter.button(button, r, box == pressed); },
                    [&](Grid& grid) { painter.grid(grid, r); },
                });
  }
}

}  // namespace ui
