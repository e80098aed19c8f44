#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "scores/table_transfer.h"
#include "ui/web/web_system.h"

// In ui/web/transfer.js: the page's buttons that carry the table in and out.
extern "C" {
void klb_transfer_attach(double held);
void klb_transfer_download(const char* bytes, double size, const char* name);
}

namespace {

// The viewer as the page holds it: it lives as long as the page.
struct Viewer {
  scores::NativeFileSystem files;
  scores::ScoreStore store{files, scores::default_score_path()};
  ui::web::WebSystem system{"klb best scores"};
  scores::frm_visualiser window{system, store};

  // Saved under the table's own file name, as the other installations name it.
  void export_table() {
    const std::string bytes = scores::export_table(store);
    if (bytes.empty()) return system.message_box(scores::kNothingToExport);
    klb_transfer_download(bytes.data(), static_cast<double>(bytes.size()),
                          store.path().filename().string().c_str());
  }

  void import_table(std::string bytes, std::uint64_t size) {
    scores::import_table(window, store, std::move(bytes), size, [this](const std::string& q) {
      return system.confirm(q, "Remplacer", "Annuler");
    });
  }
};

}  // namespace

int main() {
  auto viewer = std::make_shared<Viewer>();
  ui::web::keep_alive(viewer);
  viewer->system.show(viewer->window);
  Viewer& page = *viewer;
  page.system.on_page_action("export", page.window,
                             [&page](std::string, std::uint64_t) { page.export_table(); });
  page.system.on_page_action("import", page.window, [&page](std::string bytes, std::uint64_t size) {
    page.import_table(std::move(bytes), size);
  });
  klb_transfer_attach(static_cast<double>(scores::kTableLimit + 1));
  return 0;
}
