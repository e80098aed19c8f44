#pragma once

// The paths of the score files. Windows has its own: any use of std::filesystem::path there
// links the C++ locales into the program, most of a static executable's size.
#ifdef _WIN32
#include "scores/win32_path.h"
namespace scores {
using Path = Win32Path;
}
#else
#include <filesystem>
namespace scores {
using Path = std::filesystem::path;
}
#endif
