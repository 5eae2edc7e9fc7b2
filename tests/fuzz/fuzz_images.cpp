// libFuzzer target: arbitrary bytes offered to the picture decoders as a file
// would be; a picture that loads is then drawn (copied, blended and scaled)
// into a small target and resized, so that whatever a decoder reports is
// used the way the program uses it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The memory limit keeps every single input well below the fuzzer's own.
  static const bool ready = (images_init(), use_png_decoder(), use_jpeg_decoder(),
                             image_set_memory_limit(int64_t(48) << 20), true);
  (void)ready;
  int image = image_load_memory(AnyNumber, data, size);
  if (!image) return 0;

  static std::vector<uint8_t> pixels(48 * 32 * 4);
  DrawTarget target{pixels.data(), 0, 48, 32, image_depth(image) / 8};
  target.stride = target.width * target.bytes_per_pixel;
  drawing_start(&target);
  draw_image(image_handle(image), -2, -3);
  drawing_mode(DrawAlphaBlend);
  draw_image(image_handle(image), 7, 5, 19, 11);
  drawing_stop();

  if (image_width(image) * image_height(image) <= 1 << 16) {
    image_resize(image, image_width(image) / 2 + 1, Ignore, ResizeRaw);
    if (drawing_start(image_output(image))) {
      draw_box(-1, -1, 3, 3, rgb(1, 2, 3));
      drawing_stop();
    }
  }
  image_free(image);
  return 0;
}
