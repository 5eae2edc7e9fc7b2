// The toolkit for text, and the decoders registered as at start-up.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "runtime/media/image.h"
#include "support/require_display.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  g_setenv("NO_AT_BRIDGE", "1", TRUE);
  fail_skips_without_display(gtk_init_check(&argc, &argv));
  images_init();
  use_png_decoder();
  use_jpeg_decoder();
  return RUN_ALL_TESTS();
}
