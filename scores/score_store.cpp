#include "scores/score_store.h"

#include <cstdlib>
#include <utility>

#include "scores/score_slot.h"
#include "ui/runtime_error.h"

namespace scores {

namespace {

// Far beyond the 3840 bytes of a full table: room for the bytes a foreign program may have put
// after place 30, which a rewrite keeps, without reading a huge file into memory.
constexpr std::size_t kRewriteLimit = 64 * 1024;

}  // namespace

ScoreStore::ScoreStore(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

ScoreTable ScoreStore::load_places() const {
  FileBytes file = files_.read(path_, kPlaces * kSlotSize);
  return ScoreTable(std::move(file.bytes), file.size);
}

ScoreTable ScoreStore::load_for_rewrite() const {
  FileBytes file = files_.read(path_, kRewriteLimit + 1);
  if (file.size > kRewriteLimit) {
    throw ui::RuntimeError("Le fichier des scores « " + path_.string() +
                           " » est anormalement grand (" + std::to_string(file.size) +
                           " octets) : il n'a pas été modifié. Déplacez-le pour repartir d'un "
                           "tableau vide.");
  }
  return ScoreTable(std::move(file.bytes), file.size);
}

void ScoreStore::save(const ScoreTable& table) {
  files_.replace(path_, table.bytes());
}

std::unique_ptr<FileLock> ScoreStore::lock() {
  return files_.lock(path_);
}

std::filesystem::path default_score_path() {
#ifdef _WIN32
  return std::filesystem::path("C:\\scores klimbor");
#else
  const char* home = std::getenv("HOME");
  const std::filesystem::path folder = home != nullptr && *home != '\0' ? home : ".";
  return folder / "scores klimbor";
#endif
}

}  // namespace scores
