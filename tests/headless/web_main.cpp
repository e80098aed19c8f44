#include <gtest/gtest.h>

#include <cstdlib>

// The suite waits on the browser's promises through Asyncify, which leaves main while it waits:
// a value returned by main once it resumes reaches nobody, so the result goes out through exit.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::exit(RUN_ALL_TESTS());
}
