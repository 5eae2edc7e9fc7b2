// Test main for the binaries that use the toolkit: GoogleTest takes its own
// options first, then the runtime is initialised with the rest (GTK's options
// included). Without a display the runtime starts all the same and the tests
// that need one skip themselves (GUI_REQUIRE), or fail under scripts/test.sh.
#include <glib.h>
#include <gtest/gtest.h>

#include "runtime/toolkit/runtime.h"
#include "support/require_display.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The file chooser keeps its settings with GSettings: in memory, not in the
  // tester's configuration (and without a session bus).
  g_setenv("GSETTINGS_BACKEND", "memory", FALSE);
  runtime_init(&argc, &argv);
  fail_skips_without_display(runtime_has_display());
  return RUN_ALL_TESTS();
}
