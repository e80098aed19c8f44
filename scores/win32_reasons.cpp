#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "scores/file_layer.h"
#include "scores/win32_file_system.h"

namespace scores {

std::string french_reason(unsigned long error) {
  return french(static_cast<long>(error), {{ERROR_FILE_NOT_FOUND, Reason::no_folder},
                                           {ERROR_PATH_NOT_FOUND, Reason::no_folder},
                                           {ERROR_DIRECTORY, Reason::not_a_folder},
                                           {ERROR_ACCESS_DENIED, Reason::access_denied},
                                           {ERROR_DISK_FULL, Reason::disk_full},
                                           {ERROR_HANDLE_DISK_FULL, Reason::disk_full},
                                           {ERROR_WRITE_PROTECT, Reason::read_only_disk},
                                           {ERROR_SHARING_VIOLATION, Reason::in_use},
                                           {ERROR_LOCK_VIOLATION, Reason::in_use},
                                           {ERROR_NOT_READY, Reason::drive_not_ready},
                                           {ERROR_INVALID_DRIVE, Reason::no_drive},
                                           {ERROR_CRC, Reason::io_error},
                                           {ERROR_GEN_FAILURE, Reason::io_error},
                                           {ERROR_IO_DEVICE, Reason::io_error},
                                           {ERROR_FILENAME_EXCED_RANGE, Reason::path_too_long},
                                           {ERROR_INVALID_NAME, Reason::bad_name},
                                           {ERROR_TOO_MANY_OPEN_FILES, Reason::too_many_open_files},
                                           {ERROR_CANT_RESOLVE_FILENAME, Reason::too_many_links}});
}

std::string not_a_file_reason(unsigned long file_type) {
  switch (file_type) {
    case FILE_TYPE_DISK:
      return {};
    case FILE_TYPE_PIPE:
      return french(Reason::named_pipe);
    case FILE_TYPE_CHAR:
      return french(Reason::device);
    default:
      return french(Reason::not_a_file);
  }
}

std::string device_path_reason(const Path& path) {
  std::wstring name = path.native();
  std::replace(name.begin(), name.end(), L'/', L'\\');
  std::transform(name.begin(), name.end(), name.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  if (name.rfind(L"\\\\.\\", 0) != 0) return {};
  return french(name.rfind(L"\\\\.\\pipe\\", 0) == 0 ? Reason::named_pipe : Reason::device);
}

}  // namespace scores
