#include "scores/file_layer.h"

#include <limits>

#include "ui/runtime_error.h"

namespace scores {

std::string french(Reason reason) {
  switch (reason) {
    case Reason::no_folder:
      return "le dossier n'existe pas";
    case Reason::not_a_folder:
      return "un élément du chemin n'est pas un dossier";
    case Reason::access_denied:
      return "accès refusé";
    case Reason::is_a_folder:
      return "c'est un dossier, pas un fichier";
    case Reason::disk_full:
      return "le disque est plein";
    case Reason::quota_exceeded:
      return "le quota du disque est dépassé";
    case Reason::read_only_disk:
      return "le disque est en lecture seule";
    case Reason::io_error:
      return "erreur d'entrée-sortie sur le disque";
    case Reason::path_too_long:
      return "le chemin est trop long";
    case Reason::too_many_links:
      return "trop de liens symboliques dans le chemin";
    case Reason::too_many_open_files:
      return "trop de fichiers ouverts";
    case Reason::not_a_file:
      return "ce n'est pas un fichier ordinaire";
    case Reason::named_pipe:
      return "c'est un tube nommé, pas un fichier";
    case Reason::socket:
      return "c'est une socket, pas un fichier";
    case Reason::device:
      return "c'est un périphérique, pas un fichier";
    case Reason::in_use:
      return "le fichier est utilisé par un autre programme";
    case Reason::no_drive:
      return "le lecteur n'existe pas";
    case Reason::drive_not_ready:
      return "le lecteur n'est pas prêt";
    case Reason::bad_name:
      return "le nom du fichier n'est pas valide";
    case Reason::storage_full:
      return "le disque est plein ou le navigateur n'accorde plus de place à ce site";
    case Reason::storage_refused:
      return "accès refusé : le navigateur ne laisse pas ce site garder de données";
    case Reason::no_storage:
      return "le navigateur n'offre pas de stockage (IndexedDB) à cette page";
  }
  return french(Reason::not_a_file);
}

std::string french(long code, std::initializer_list<KnownError> known) {
  for (const KnownError& error : known) {
    if (error.code == code) return french(error.reason);
  }
  return "erreur système " + std::to_string(code);
}

std::string utf8_of(const Path& path) {
  return path.string();
}

namespace {

std::string quoted(const Path& path) {
  return "« " + utf8_of(path) + " »";
}

// ".scores klimbor" and the suffix, in the system's own form of names: a conversion through
// UTF-8 would bring the C++ locales into the Windows programs. The suffix is ASCII.
Path::string_type hidden_name(const Path& table, const std::string& suffix) {
  Path::string_type name(1, '.');
  name.append(table.filename().native()).append(suffix.begin(), suffix.end());
  return name;
}

Path beside(const Path& table, const std::string& suffix) {
  return folder_of(table) / hidden_name(table, suffix);
}

}  // namespace

void read_failed(const Path& path, const std::string& reason) {
  throw ui::RuntimeError("Impossible de lire le fichier des scores " + quoted(path) + " : " +
                         reason + ".");
}

void save_failed(const Path& path, const std::string& reason) {
  throw ui::RuntimeError("Impossible d'enregistrer le fichier des scores " + quoted(path) + " : " +
                         reason + ". Le tableau des scores n'a pas été modifié.");
}

namespace {

[[noreturn]] void held_too_long(const Path& table, const std::string& holder,
                                const std::string& lock) {
  save_failed(table, holder + " est en train d'écrire le tableau (il tient " + lock +
                         " depuis plus de " + std::to_string(kLockWaitMs / 1000) +
                         " secondes) ; réessayez « Valider » dans un moment");
}

}  // namespace

void lock_held(const Path& table, const Path& lock_file) {
  held_too_long(table, "un autre programme", "le verrou " + quoted(lock_file));
}

void lock_held(const Path& table) {
  lock_held(table, lock_file_of(table));
}

void lock_held_in_browser(const Path& table) {
  held_too_long(table, "un autre onglet ou une autre fenêtre du jeu", "le verrou du navigateur");
}

void lock_closed(const Path& table, const Path& lock_file) {
  save_failed(table, "le verrou " + quoted(lock_file) +
                         " est à un autre utilisateur et fermé à celui-ci (accès refusé) ; une "
                         "fois ce fichier supprimé, le jeu le refera ouvert à tous ceux qui "
                         "peuvent écrire le tableau");
}

void temporary_vanished(const Path& table, const Path& temporary) {
  save_failed(table, "le fichier temporaire " + quoted(temporary) +
                         " a été effacé par un autre programme avant de remplacer le tableau");
}

Path folder_of(const Path& path) {
  return path.has_parent_path() ? path.parent_path() : Path(Path::string_type(1, '.'));
}

Path lock_file_of(const Path& table) {
  return beside(table, ".lock");
}

Path temporary_of(const Path& table, unsigned long process) {
  return beside(table, ".tmp." + std::to_string(process));
}

// Digits alone, as temporary_of writes them: any other name is no temporary of the game's, and
// a number no process can have (0, or too large) is none either.
std::optional<unsigned long> writer_of_temporary(const Path& table,
                                                 std::basic_string_view<Path::value_type> name) {
  const Path::string_type prefix = hidden_name(table, ".tmp.");
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return std::nullopt;
  constexpr unsigned long kLargest = std::numeric_limits<int>::max();
  unsigned long process = 0;
  for (const Path::value_type c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<unsigned long>(c - '0');
    if (process > (kLargest - digit) / 10) return std::nullopt;
    process = process * 10 + digit;
  }
  if (process == 0) return std::nullopt;
  return process;
}

}  // namespace scores
