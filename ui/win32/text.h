#pragma once

#include <string>

namespace ui::win32 {

// The model holds UTF-8; the wide Win32 calls take UTF-16.
std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& wide);

}  // namespace ui::win32
