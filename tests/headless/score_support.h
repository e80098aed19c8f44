#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "game/module1.h"
#include "scores/native_file_system.h"
#include "scores/score_store.h"
#include "ui/runtime_error.h"

namespace test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it. Named with
// accents, as a player's home folder may be: every score test goes through such a path.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    do {
      fs::path name(u8"klimbor-test-Zoé-");
      name += std::to_string(random());
      path_ = fs::temp_directory_path() / name;
    } while (!fs::create_directory(path_));
  }
  // A read-only file would stay behind on Windows: the protection a test set is lifted first.
  ~TempFolder() {
    std::error_code ec, ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_symlink(ignored))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// How many files this process holds open: a file layer that forgets to close one runs out of
// descriptors in a long session.
int open_descriptors();  // in the platform's failing-files double

// The seed of a test's random draws: KLB_SEED when set, else a fresh one; printed either way,
// so a failure can be repeated.
inline unsigned seed() {
  const char* given = std::getenv("KLB_SEED");
  const unsigned value = given != nullptr && *given != '\0'
                             ? static_cast<unsigned>(std::stoul(given))
                             : std::random_device{}();
  std::cout << "seed " << value << " (KLB_SEED=" << value << " repeats it)\n";
  return value;
}

// The bytes stored at a path, as another program would read or write them: a file on a disk
// (disk_store.cpp), a value in the site's store in a browser (web_store.cpp). Nothing stored
// reads as no bytes.
std::string read_bytes(const fs::path& path);
void write_bytes(const fs::path& path, const std::string& bytes);
bool is_stored(const fs::path& path);

// One slot as the file holds it; pseudo and comment are bytes already (Windows-1252).
inline std::string slot(std::string pseudo, std::int16_t score, const std::string& comment = "") {
  pseudo.resize(30, ' ');
  std::string s = pseudo;
  s += static_cast<char>(score & 0xFF);
  s += static_cast<char>((score >> 8) & 0xFF);
  s += static_cast<char>(comment.size() & 0xFF);
  s += static_cast<char>((comment.size() >> 8) & 0xFF);
  s += comment;
  s.resize(128, '\0');
  return s;
}

// A whole table: the given scores from place 1, named P1, P2, ..., then empty places to 30.
inline std::string table(const std::vector<std::int16_t>& scores) {
  std::string bytes;
  for (std::size_t i = 0; i < scores.size(); ++i) {
    // Appended: GCC 12 warns falsely (-Wrestrict) on "P" + std::to_string(...) for 32 bits.
    const std::string number = std::to_string(i + 1);
    bytes += slot(std::string("P").append(number), scores[i], std::string("c").append(number));
  }
  while (bytes.size() < 30 * 128) bytes += std::string(128, '\0');
  return bytes;
}

// The scores the file holds at places 1 to 30.
inline std::vector<int> scores_of(const std::string& bytes) {
  std::vector<int> out;
  for (std::size_t at = 0; at + 32 <= bytes.size() && out.size() < 30; at += 128) {
    out.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at + 30]) |
                                            static_cast<std::uint8_t>(bytes[at + 31]) << 8));
  }
  return out;
}

inline std::string pseudo_at(const std::string& bytes, int place) {
  return bytes.substr(static_cast<std::size_t>(place - 1) * 128, 30);
}

// Why the action was refused; empty when it was not.
template <typename Action>
std::string refusal_of(Action action) {
  try {
    action();
  } catch (const ui::RuntimeError& e) {
    return e.what();
  }
  return "";
}

// Why the table cannot be read; empty when it can.
inline std::string reading_refusal(const scores::ScoreStore& store) {
  return refusal_of([&] { store.load_places(); });
}

// A score file in a fresh folder, on the platform's real store.
class ScoreFileTest : public ::testing::Test {
 protected:
  ScoreFileTest() { Module1::reset(); }
  ~ScoreFileTest() override { Module1::reset(); }

  fs::path path() const { return folder.path() / "scores klimbor"; }
  std::string bytes() const { return read_bytes(path()); }

  TempFolder folder;
  scores::NativeFileSystem files;
  scores::ScoreStore store{files, path()};
};

}  // namespace test
