#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "scores/posix_file_system.h"

namespace scores {

std::string french_reason(int error) {
  switch (error) {
    case ENOENT:
      return "le dossier n'existe pas";
    case ENOTDIR:
      return "un élément du chemin n'est pas un dossier";
    case EACCES:
    case EPERM:
      return "accès refusé";
    case EISDIR:
      return "c'est un dossier, pas un fichier";
    case ENOSPC:
      return "le disque est plein";
    case EDQUOT:
      return "le quota du disque est dépassé";
    case EROFS:
      return "le disque est en lecture seule";
    case EIO:
      return "erreur d'entrée-sortie sur le disque";
    case ENAMETOOLONG:
      return "le chemin est trop long";
    case ELOOP:
      return "trop de liens symboliques dans le chemin";
    case EMFILE:
    case ENFILE:
      return "trop de fichiers ouverts";
    case ENXIO:
      return "ce n'est pas un fichier ordinaire";
    default:
      return "erreur système " + std::to_string(error);
  }
}

std::string not_a_file_reason(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return french_reason(EISDIR);
  if (S_ISFIFO(mode)) return "c'est un tube nommé, pas un fichier";
  if (S_ISSOCK(mode)) return "c'est une socket, pas un fichier";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "c'est un périphérique, pas un fichier";
  return "ce n'est pas un fichier ordinaire";
}

}  // namespace scores
