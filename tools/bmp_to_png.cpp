// BMP to PNG conversion for bmp2png: header checks against the real file size first, so that a
// cut or lying file is refused before any PNG is started, then the rows streamed one at a time.
#include "tools/bmp_to_png.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace {

// Largest side accepted; keeps every size computation far from overflow and a broken header from
// asking for absurd amounts of memory.
constexpr long kMaxSide = 65535;

uint32_t get_u32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get_u16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

void png_error_to_jump(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void png_quiet_warning(png_structp, png_const_charp) {}

}  // namespace

std::string bmp_read_header(FILE* f, long file_size, Bmp* bmp) {
  // Nothing of the header is trusted: sizes are checked against the limits and the file's length
  // before anything is allocated or written.
  unsigned char h[54];
  if (file_size < 54 || std::fread(h, 1, 54, f) != 54) return "not a BMP file (too short)";
  if (h[0] != 'B' || h[1] != 'M') return "not a BMP file";
  uint32_t offset = get_u32(h + 10), info_size = get_u32(h + 14);
  // BITMAPINFOHEADER and its later extensions (V4, V5) start alike.
  if (info_size < 40 || info_size > 124) return "unsupported BMP header";
  int32_t width = int32_t(get_u32(h + 18)), height = int32_t(get_u32(h + 22));
  uint16_t planes = get_u16(h + 26), bits = get_u16(h + 28);
  uint32_t compression = get_u32(h + 30);
  if (bits != 24)
    return "only 24-bit BMPs are supported (this one has " + std::to_string(bits) + ")";
  if (compression != 0) return "compressed BMPs are not supported";
  if (planes != 1) return "bad BMP header (planes)";
  if (width <= 0 || height == 0 || height == INT32_MIN) return "bad BMP size";
  long w = width, hgt = height < 0 ? -long(height) : long(height);
  if (w > kMaxSide || hgt > kMaxSide)
    return "BMP too large (" + std::to_string(w) + "x" + std::to_string(hgt) + ")";
  if (offset < 14 + info_size || long(offset) > file_size) return "bad BMP header (data offset)";
  bmp->width = w;
  bmp->height = hgt;
  bmp->top_down = height < 0;
  bmp->data_offset = long(offset);
  bmp->stride = (3 * w + 3) / 4 * 4;
  // The last row needs only its pixels, not its padding.
  long needed = bmp->stride * (hgt - 1) + 3 * w;
  if (file_size - bmp->data_offset < needed) return "truncated BMP (pixel data cut short)";
  return "";
}

std::string bmp_write_png(FILE* f, const Bmp& bmp, int level, FILE* out) {
  std::vector<unsigned char> row(size_t(bmp.stride)), rgb(size_t(bmp.width) * 3);
  std::string error;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, png_error_to_jump, png_quiet_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    return "out of memory";
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return error.empty() ? "PNG write error" : error;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, png_uint_32(bmp.width), png_uint_32(bmp.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  png_write_info(png, info);
  for (long y = 0; y < bmp.height; y++) {
    // PNG rows go top first; a bottom-up BMP stores the top row last.
    long file_row = bmp.top_down ? y : bmp.height - 1 - y;
    size_t want = size_t(file_row == bmp.height - 1 ? 3 * bmp.width : bmp.stride);
    if (std::fseek(f, bmp.data_offset + file_row * bmp.stride, SEEK_SET) != 0 ||
        std::fread(row.data(), 1, want, f) != want) {
      png_destroy_write_struct(&png, &info);
      return "truncated BMP (pixel data cut short)";
    }
    for (long x = 0; x < bmp.width; x++) {
      rgb[size_t(3 * x)] = row[size_t(3 * x + 2)];
      rgb[size_t(3 * x + 1)] = row[size_t(3 * x + 1)];
      rgb[size_t(3 * x + 2)] = row[size_t(3 * x)];
    }
    png_write_row(png, rgb.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return "";
}
