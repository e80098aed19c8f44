#include <emscripten.h>
#include <gtest/gtest.h>

#include <cstdlib>

// Told to tests/web/node_browser.js.in, which takes Node running out of work before as a hang.
EM_JS(void, suite_ended, (), { globalThis.klbSuiteEnded = true; });

// The suite waits on the browser's promises through Asyncify, which leaves main while it waits:
// a value returned by main once it resumes reaches nobody, so the result goes out through exit.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  suite_ended();
  std::exit(result);
}
