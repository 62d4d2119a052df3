// Fuzz target for the PNG frames of animtool encode: arbitrary bytes through the same reader, with
// the animation size limit. A picture it accepts has exactly its size in RGB bytes; one it refuses
// for its size was never decoded. The same bytes go through the check that tells an animated PNG
// from a still one.
#include <cstdint>
#include <cstdlib>

#include "anim/anim_file.h"
#include "tools/animtool_args.h"
#include "tools/animtool_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)png_bytes_animated(data, size);
  RgbImage image;
  std::string error = png_read_rgb_bytes(data, size, ANIM_MAX_SIZE, &image);
  if (error.empty()) {
    if (image.width < 1 || image.height < 1 || image.width > ANIM_MAX_SIZE ||
        image.height > ANIM_MAX_SIZE)
      abort();
    if (image.rgb.size() != size_t(image.width) * image.height * 3) abort();
  } else if (image.width > ANIM_MAX_SIZE || image.height > ANIM_MAX_SIZE) {
    if (!image.rgb.empty()) abort();  // refused from the header alone
  }
  return 0;
}
