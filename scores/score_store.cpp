#include "scores/score_store.h"

#include <cstdlib>
#include <utility>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <pwd.h>
#include <unistd.h>
#endif

#include "scores/file_layer.h"
#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

ScoreStore::ScoreStore(FileSystem& files, Path path) : files_(files), path_(std::move(path)) {}

ScoreTable ScoreStore::load_places() const {
  FileBytes file = files_.read(path_, kPlaces * kSlotSize);
  return ScoreTable(std::move(file.bytes), file.size);
}

ScoreTable ScoreStore::load_whole() const {
  FileBytes file = files_.read(path_, kTableLimit + 1);
  if (file.size > kTableLimit) {
    throw ui::RuntimeError("Le fichier des scores « " + utf8_of(path_) +
                           " » est anormalement grand (" + std::to_string(file.size) +
                           " octets) : il n'a pas été modifié. Déplacez-le pour repartir d'un "
                           "tableau vide.");
  }
  return ScoreTable(std::move(file.bytes), file.size);
}

void ScoreStore::rewrite(const std::function<void(ScoreTable&)>& edit) {
  const auto lock = files_.lock(path_);
  ScoreTable table = load_whole();
  edit(table);
  if (table.changed()) files_.replace(path_, table.bytes());
}

void ScoreStore::replace_all(std::string_view bytes) {
  const auto lock = files_.lock(path_);
  files_.replace(path_, bytes);
}

#ifdef _WIN32
Path default_score_path() {
  return Path(L"C:\\scores klimbor");
}
#elif defined(__EMSCRIPTEN__)
// The site's store has no folders: the table is the value named after the file.
Path default_score_path() {
  return Path("scores klimbor");
}
#else
// HOME is the user's word; without it, the user database says where home is. The current folder
// is the last resort of a process whose user has no entry at all.
Path default_score_path() {
  Path folder = ".";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folder = home;
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr) {
    folder = user->pw_dir;
  }
  return folder / "scores klimbor";
}
#endif

}  // namespace scores
