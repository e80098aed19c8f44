#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "game/module1.h"
#include "scores/posix_file_system.h"
#include "scores/score_store.h"

namespace test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "klimbor-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// How many files this process holds open: a file layer that forgets to close one runs out of
// descriptors in a long session.
inline int open_descriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

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

inline std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

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
    bytes += slot("P" + std::to_string(i + 1), scores[i], "c" + std::to_string(i + 1));
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

// A score file in a fresh folder, on the real file system.
class ScoreFileTest : public ::testing::Test {
 protected:
  ScoreFileTest() { Module1::reset(); }
  ~ScoreFileTest() override { Module1::reset(); }

  fs::path path() const { return folder.path() / "scores klimbor"; }
  std::string bytes() const { return read_bytes(path()); }

  TempFolder folder;
  scores::PosixFileSystem files;
  scores::ScoreStore store{files, path()};
};

}  // namespace test
