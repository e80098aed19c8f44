#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "scores/file_layer.h"
#include "scores/posix_file_system.h"

namespace scores {

std::string french_reason(int error) {
  return french(error, {{ENOENT, Reason::no_folder},
                        {ENOTDIR, Reason::not_a_folder},
                        {EACCES, Reason::access_denied},
                        {EPERM, Reason::access_denied},
                        {EISDIR, Reason::is_a_folder},
                        {ENOSPC, Reason::disk_full},
                        {EDQUOT, Reason::quota_exceeded},
                        {EROFS, Reason::read_only_disk},
                        {EIO, Reason::io_error},
                        {ENAMETOOLONG, Reason::path_too_long},
                        {ELOOP, Reason::too_many_links},
                        {EMFILE, Reason::too_many_open_files},
                        {ENFILE, Reason::too_many_open_files},
                        {ENXIO, Reason::not_a_file}});
}

std::string not_a_file_reason(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return french(Reason::is_a_folder);
  if (S_ISFIFO(mode)) return french(Reason::named_pipe);
  if (S_ISSOCK(mode)) return french(Reason::socket);
  if (S_ISCHR(mode) || S_ISBLK(mode)) return french(Reason::device);
  return french(Reason::not_a_file);
}

}  // namespace scores
