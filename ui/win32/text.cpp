#include "ui/win32/text.h"

#include <windows.h>

namespace ui::win32 {

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
  return out;
}

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

void write_to_stderr(const std::string& bytes) {
  const HANDLE output = GetStdHandle(STD_ERROR_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size() - done);
    if (!WriteFile(output, bytes.data() + done, size, &written, nullptr) || written == 0) return;
    done += written;
  }
}

}  // namespace ui::win32
