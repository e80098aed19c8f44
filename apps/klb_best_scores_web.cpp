#include <memory>

#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "ui/web/web_system.h"

namespace {

// The viewer as the page holds it: it lives as long as the page.
struct Viewer {
  scores::NativeFileSystem files;
  scores::ScoreStore store{files, scores::default_score_path()};
  ui::web::WebSystem system{"klb best scores"};
  scores::frm_visualiser window{system, store};
};

}  // namespace

int main() {
  auto viewer = std::make_shared<Viewer>();
  ui::web::keep_alive(viewer);
  viewer->system.show(viewer->window);
  return 0;
}
