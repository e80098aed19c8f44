#pragma once

#include <cstdint>
#include <string>

#include "game/module1.h"

namespace scores {

// The bytes of the score file as read from its start, and the file's whole size. Places beyond
// the bytes held read as empty records; writing a place past the end fills the gap with zeros.
class ScoreTable {
 public:
  ScoreTable() = default;  // a missing or empty file
  ScoreTable(std::string bytes, std::uint64_t file_size);

  Module1::ScoreRecord read(int place) const;
  void write(int place, const Module1::ScoreRecord& record);

  // The size of the file as it was read; what is written goes to bytes() alone.
  std::uint64_t file_size() const { return size_; }
  const std::string& bytes() const { return bytes_; }
  bool changed() const { return changed_; }

 private:
  std::string bytes_;
  std::uint64_t size_ = 0;
  bool changed_ = false;
};

}  // namespace scores
