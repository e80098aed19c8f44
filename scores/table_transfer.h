#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "scores/frm_visualiser.h"
#include "scores/score_store.h"

// The table carried in and out whole, byte for byte: kept by the player as a file, brought to
// another installation (a browser, Windows, Linux) and put in place of its table there.
namespace scores {

inline const std::string kNothingToExport =
    "Le tableau des scores est encore vide : il n'y a rien à télécharger.";
inline const std::string kReplaceQuestion = "Remplacer le tableau de ce navigateur par celui-ci ?";

// The stored table's bytes exactly as stored, the bytes after place 30 included; the empty text
// when nothing is stored yet.
std::string export_table(const ScoreStore& store);

// Asks the player whether the table shown replaces the stored one; true to replace.
using Confirm = std::function<bool(const std::string& question)>;

// A file the player brings, never trusted: bytes are its first bytes (all of them, for a file
// the store may hold), size its whole size. Larger than kTableLimit, it is refused. Else the
// viewer shows it, read as the file would be, while confirm asks; confirmed, it replaces the
// stored table whole, its bytes unchanged. The viewer then shows the stored table again, whether
// the player declined, the store refused or the table was replaced. Failures are
// ui::RuntimeError, in French, with the stored table left as it was.
void import_table(frm_visualiser& viewer, ScoreStore& store, std::string bytes, std::uint64_t size,
                  const Confirm& confirm);

}  // namespace scores
