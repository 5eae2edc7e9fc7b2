// Test main for the binaries that use the toolkit: GoogleTest takes its own
// options first, then the runtime is initialised with the rest (GTK's options
// included). Without a display the runtime starts all the same and the tests
// that need one skip themselves (GUI_REQUIRE).
#include <gtest/gtest.h>

#include "runtime/toolkit/runtime.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  runtime_init(&argc, &argv);
  return RUN_ALL_TESTS();
}
