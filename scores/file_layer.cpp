#include "scores/file_layer.h"

#include <system_error>

#include "ui/runtime_error.h"

namespace scores {

namespace fs = std::filesystem;

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

std::string utf8_of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

namespace {

std::string quoted(const fs::path& path) {
  return "« " + utf8_of(path) + " »";
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string + "...".
std::string hidden_name(const fs::path& table, const std::string& suffix) {
  std::string name(1, '.');
  name.append(utf8_of(table.filename())).append(suffix);
  return name;
}

fs::path beside(const fs::path& table, const std::string& name) {
  return folder_of(table) / fs::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

void read_failed(const fs::path& path, const std::string& reason) {
  throw ui::RuntimeError("Impossible de lire le fichier des scores " + quoted(path) + " : " +
                         reason + ".");
}

void save_failed(const fs::path& path, const std::string& reason) {
  throw ui::RuntimeError("Impossible d'enregistrer le fichier des scores " + quoted(path) + " : " +
                         reason + ". Le tableau des scores n'a pas été modifié.");
}

namespace {

[[noreturn]] void held_too_long(const fs::path& table, const std::string& holder,
                                const std::string& lock) {
  save_failed(table, holder + " est en train d'écrire le tableau (il tient " + lock +
                         " depuis plus de " + std::to_string(kLockWaitMs / 1000) +
                         " secondes) ; réessayez « Valider » dans un moment");
}

}  // namespace

void lock_held(const fs::path& table, const fs::path& lock_file) {
  held_too_long(table, "un autre programme", "le verrou " + quoted(lock_file));
}

void lock_held(const fs::path& table) {
  lock_held(table, lock_file_of(table));
}

void lock_held_in_browser(const fs::path& table) {
  held_too_long(table, "un autre onglet ou une autre fenêtre du jeu", "le verrou du navigateur");
}

fs::path folder_of(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

fs::path lock_file_of(const fs::path& table) {
  return beside(table, hidden_name(table, ".lock"));
}

fs::path temporary_of(const fs::path& table, unsigned long process) {
  return beside(table, hidden_name(table, ".tmp." + std::to_string(process)));
}

void remove_stale_temporaries(const fs::path& table,
                              const std::function<void(const fs::path&)>& remove) {
  std::error_code ec;
  const std::string prefix = hidden_name(table, ".tmp.");
  for (fs::directory_iterator it(folder_of(table), ec), end; !ec && it != end; it.increment(ec)) {
    if (utf8_of(it->path().filename()).rfind(prefix, 0) == 0) remove(it->path());
  }
}

}  // namespace scores
