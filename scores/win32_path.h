#pragma once

#include <filesystem>
#include <string>
#include <utility>

namespace scores {

// A Windows path as the wide Win32 calls take it, with what the file layer asks of a path under
// the names std::filesystem::path gives them.
class Win32Path {
 public:
  using value_type = wchar_t;
  using string_type = std::wstring;

  Win32Path() = default;
  Win32Path(std::wstring text) : text_(std::move(text)) {}
  Win32Path(const wchar_t* text) : text_(text) {}
  // The same text: tests and tools build their paths with the standard library. Inline, so
  // that the programs, which never call it, never link std::filesystem.
  Win32Path(const std::filesystem::path& path) : text_(path.native()) {}

  const std::wstring& native() const { return text_; }
  const wchar_t* c_str() const { return text_.c_str(); }
  std::wstring wstring() const { return text_; }
  // UTF-8, as the messages show it.
  std::string string() const;

  // The last name ("scores klimbor"), and the folder it lies in: "C:\" for a table at the root
  // of C:, nothing for a name alone.
  Win32Path filename() const;
  Win32Path parent_path() const;
  bool has_parent_path() const { return !parent_path().text_.empty(); }

 private:
  std::wstring text_;
};

// A name in the folder.
Win32Path operator/(const Win32Path& folder, const Win32Path& name);

}  // namespace scores
