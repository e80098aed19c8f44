#include "scores/frm_visualiser.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "ui/win32/win32_system.h"

int main() {
  scores::NativeFileSystem files;
  scores::ScoreStore store(files, scores::default_score_path());
  ui::win32::Win32System system(L"klb best scores");
  scores::frm_visualiser viewer(system, store);
  system.show(viewer);
  return system.run();
}
