#include "scores/table_transfer.h"

#include <utility>

#include "scores/score_table.h"
#include "ui/runtime_error.h"

namespace scores {

std::string export_table(const ScoreStore& store) {
  return store.load_whole().bytes();
}

void import_table(frm_visualiser& viewer, ScoreStore& store, std::string bytes, std::uint64_t size,
                  const Confirm& confirm) {
  if (size > kTableLimit) {
    throw ui::RuntimeError("Ce fichier (" + std::to_string(size) +
                           " octets) n'est pas un tableau des scores : un tableau tient en " +
                           std::to_string(kTableLimit / 1024) +
                           " Kio au plus. Le tableau actuel n'a pas été modifié.");
  }
  const ScoreTable image(std::move(bytes), size);
  // Whatever the answer or the store's, the grid goes back to the stored table.
  try {
    viewer.show_table(image);
    if (confirm(kReplaceQuestion)) store.replace_all(image.bytes());
  } catch (...) {
    viewer.show_stored();
    throw;
  }
  viewer.show_stored();
}

}  // namespace scores
