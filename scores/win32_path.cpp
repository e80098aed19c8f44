#include "scores/win32_path.h"

#include <windows.h>

namespace scores {

namespace {

bool is_separator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// After the last separator, or after the drive of "C:name".
std::size_t name_start(const std::wstring& text) {
  const std::size_t separator = text.find_last_of(L"\\/");
  if (separator != std::wstring::npos) return separator + 1;
  return text.find(L':') == 1 ? 2 : 0;
}

}  // namespace

// Converted by Windows itself: the C++ conversions bring the locales with them.
std::string Win32Path::string() const {
  const int size = static_cast<int>(text_.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text_.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text_.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

Win32Path Win32Path::filename() const {
  return text_.substr(name_start(text_));
}

// The separators before the name go, but for the one that makes a root: "C:\", "\".
Win32Path Win32Path::parent_path() const {
  std::size_t end = name_start(text_);
  while (end > 1 && is_separator(text_[end - 1]) && text_[end - 2] != L':') --end;
  return text_.substr(0, end);
}

Win32Path operator/(const Win32Path& folder, const Win32Path& name) {
  const std::wstring& text = folder.native();
  if (text.empty() || is_separator(text.back()) || text.back() == L':') return text + name.native();
  return text + L'\\' + name.native();
}

}  // namespace scores
