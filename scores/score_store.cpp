#include "scores/score_store.h"

#include <cstdlib>
#include <string>
#include <utility>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <pwd.h>
#include <unistd.h>
#endif

#include "scores/file_layer.h"
#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

namespace {

// Each round is a few milliseconds: this many tables written by others in a row is no game.
constexpr int kRewriteRounds = 20;

}  // namespace

ScoreStore::ScoreStore(FileSystem& files, Path path) : files_(files), path_(std::move(path)) {}

ScoreTable ScoreStore::load_places() const {
  FileBytes file = files_.read(path_, kPlaces * kSlotSize);
  return ScoreTable(std::move(file.bytes), file.size);
}

ScoreTable ScoreStore::load_whole() const {
  return load_whole(path_);
}

ScoreTable ScoreStore::load_whole(const Path& file) const {
  FileBytes bytes = files_.read(file, kTableLimit + 1);
  if (bytes.size > kTableLimit) {
    throw ui::RuntimeError("Le fichier des scores « " + utf8_of(file) +
                           " » est anormalement grand (" + std::to_string(bytes.size) +
                           " octets) : il n'a pas été modifié. Déplacez-le pour repartir d'un "
                           "tableau vide.");
  }
  return ScoreTable(std::move(bytes.bytes), bytes.size);
}

// The path resolved once, at the start: a link pointed elsewhere in the middle of the rewrite
// changes nothing, the file locked is the file read and the file replaced.
// Without a lock another writer may come between the read and the replace: the edit is then
// made again on the table as that writer left it, so that neither record is lost.
void ScoreStore::rewrite(const std::function<void(ScoreTable&)>& edit) {
  const Path file = files_.resolve(path_);
  const auto lock = files_.lock(file);
  for (int round = 1;; ++round) {
    ScoreTable table = load_whole(file);
    const std::string read = table.bytes();
    edit(table);
    if (!table.changed() || files_.replace_if_unchanged(file, read, table.bytes())) return;
    if (round == kRewriteRounds) {
      save_failed(file,
                  "d'autres onglets ou fenêtres du jeu l'ont réécrit " +
                      std::to_string(kRewriteRounds) +
                      " fois pendant cet enregistrement ; réessayez « Valider » dans un moment");
    }
  }
}

void ScoreStore::replace_all(std::string_view bytes) {
  const Path file = files_.resolve(path_);
  const auto lock = files_.lock(file);
  files_.replace(file, bytes);
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
