// A screen reader in another program, for the end-to-end suite under Wine:
//   msaa_probe tree WIDTH HEIGHT        what the window of that client size tells, one line each,
//                                       then the screen rectangle of each line
//   msaa_probe press WIDTH HEIGHT NAME  presses its child of that name by its default action
// Exits 1 without such a window, 2 when the window gives no object, 3 when the press fails.
#include <string>

#include "msaa_reader.h"

namespace {

HWND window_sized(int width, int height) {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, L"KlimborForm", nullptr)) != nullptr) {
    RECT r;
    GetClientRect(found, &r);
    if (IsWindowVisible(found) && r.right == width && r.bottom == height) return found;
  }
  return nullptr;
}

void write(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  // Past the C runtime, which would end each line with CR LF.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

std::wstring places(const test::Read& read) {
  std::wstring text = std::to_wstring(read.where.left) + L"," + std::to_wstring(read.where.top) +
                      L"," + std::to_wstring(read.where.right - read.where.left) + L"," +
                      std::to_wstring(read.where.bottom - read.where.top) + L"\n";
  for (const test::Read& child : read.children) text += places(child);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 64;
  const std::string verb = argv[1];
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 0;
  {
    HWND window = window_sized(std::stoi(argv[2]), std::stoi(argv[3]));
    test::ComPtr<IAccessible> client;
    if (window != nullptr) client = test::client_of(window);
    if (window == nullptr) {
      status = 1;
    } else if (!client) {
      status = 2;
    } else if (verb == "tree") {
      const test::Read read = test::read_tree(client.get());
      write(test::lines_of(read) + L"--\n" + places(read));
    } else if (verb == "press" && argc == 5) {
      const std::string name = argv[4];
      status = test::press(client.get(), std::wstring(name.begin(), name.end())) ? 0 : 3;
    } else {
      status = 64;
    }
  }
  CoUninitialize();
  return status;
}
