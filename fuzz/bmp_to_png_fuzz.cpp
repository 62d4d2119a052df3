// Fuzz target for bmp2png's reader: arbitrary bytes as a BMP file from a memory stream. A file the
// header check accepts must convert completely, and the PNG must carry the header's size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/bmp_to_png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) return 0;
  Bmp bmp;
  if (bmp_read_header(in, long(size), &bmp).empty()) {
    if (bmp.width < 1 || bmp.height < 1 || bmp.width > 65535 || bmp.height > 65535) abort();
    char* png = nullptr;
    size_t png_size = 0;
    FILE* out = open_memstream(&png, &png_size);
    if (out) {
      std::string error = bmp_write_png(in, bmp, 1, out);
      fclose(out);
      // Checked against the file size, so the rows are always there.
      if (!error.empty()) abort();
      auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(png[at])) << 24 | uint32_t(uint8_t(png[at + 1])) << 16 |
               uint32_t(uint8_t(png[at + 2])) << 8 | uint32_t(uint8_t(png[at + 3]));
      };
      if (png_size < 24 || be32(16) != uint32_t(bmp.width) || be32(20) != uint32_t(bmp.height))
        abort();
    }
    free(png);
  }
  fclose(in);
  return 0;
}
