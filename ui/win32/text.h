#pragma once

#include <string>

namespace ui::win32 {

// The model holds UTF-8; the wide Win32 calls take UTF-16.
std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& wide);

// Writes to the standard error as it is given, when the program has one (a windowed program
// has none unless started with it redirected). Not through the C++ streams: std::cerr brings
// the locales and iostreams, most of a static executable's size.
void write_to_stderr(const std::string& bytes);

}  // namespace ui::win32
