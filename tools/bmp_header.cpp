// BMP reading for bmp2png, the same on every system: header checks against the real file size
// first, so that a cut or lying file is refused before any PNG is started, then one row at a time
// in top-first order and red-green-blue bytes.
#include <cstdint>
#include <vector>

#include "tools/bmp_to_png.h"

namespace {

// Largest side accepted; keeps every size computation far from overflow and a broken header from
// asking for absurd amounts of memory.
constexpr long kMaxSide = 65535;

uint32_t get_u32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get_u16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

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
  // In 64 bits: where long has 32 (Windows), the product of the largest sides would wrap.
  int64_t needed = int64_t(bmp->stride) * (hgt - 1) + 3 * w;
  if (int64_t(file_size) - bmp->data_offset < needed) return "truncated BMP (pixel data cut short)";
  return "";
}

std::string bmp_read_rgb_row(FILE* f, const Bmp& bmp, long y, std::vector<unsigned char>* row,
                             unsigned char* rgb) {
  // Pictures go top first; a bottom-up BMP stores the top row last.
  long file_row = bmp.top_down ? y : bmp.height - 1 - y;
  size_t want = size_t(file_row == bmp.height - 1 ? 3 * bmp.width : bmp.stride);
  row->resize(size_t(bmp.stride));
  if (std::fseek(f, bmp.data_offset + file_row * bmp.stride, SEEK_SET) != 0 ||
      std::fread(row->data(), 1, want, f) != want)
    return "truncated BMP (pixel data cut short)";
  const unsigned char* in = row->data();
  for (long x = 0; x < bmp.width; x++) {
    rgb[3 * x] = in[3 * x + 2];
    rgb[3 * x + 1] = in[3 * x + 1];
    rgb[3 * x + 2] = in[3 * x];
  }
  return "";
}
