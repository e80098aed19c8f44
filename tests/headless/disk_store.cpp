#include <fstream>
#include <iterator>

#include "score_support.h"

namespace test {

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool is_stored(const fs::path& path) {
  return fs::exists(path);
}

}  // namespace test
