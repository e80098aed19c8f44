#pragma once

// The file layer of the system the program is built for.
#ifdef _WIN32
#include "scores/win32_file_system.h"
namespace scores {
using NativeFileSystem = Win32FileSystem;
}
#elif defined(__EMSCRIPTEN__)
#include "scores/web_file_system.h"
namespace scores {
using NativeFileSystem = WebFileSystem;
}
#else
#include "scores/posix_file_system.h"
namespace scores {
using NativeFileSystem = PosixFileSystem;
}
#endif
