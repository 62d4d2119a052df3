// Headless snapshots: the drawing buffer (RGBA, bottom row first, as OSMesa keeps it) written as
// an 8-bit RGB PNG with the top row first.
#include <png.h>

#include <cstring>
#include <vector>

#include "host/headless/headless_host.h"

int headless_write_png(const char* path, const uint8_t* rgba_bottom_up, int width, int height) {
  if (!path || !rgba_bottom_up || width <= 0 || height <= 0) return 0;
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  for (int y = 0; y < height; y++) {
    const uint8_t* src = rgba_bottom_up + size_t(height - 1 - y) * size_t(width) * 4;
    uint8_t* dst = &rgb[size_t(y) * size_t(width) * 3];
    for (int x = 0; x < width; x++) {
      dst[3 * x] = src[4 * x];
      dst[3 * x + 1] = src[4 * x + 1];
      dst[3 * x + 2] = src[4 * x + 2];
    }
  }
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}
