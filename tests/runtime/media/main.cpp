// The decoders registered as at start-up.
#include <gtest/gtest.h>

#include "runtime/media/image.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  images_init();
  use_png_decoder();
  use_jpeg_decoder();
  return RUN_ALL_TESTS();
}
