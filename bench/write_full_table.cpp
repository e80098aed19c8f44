// Writes a full 30-place table to the path given, for the viewer's measurements.
#include <cstdio>
#include <fstream>

#include "full_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_full_table <path>\n");
    return 2;
  }
  std::ofstream(argv[1], std::ios::binary) << full_table_bytes();
  return 0;
}
