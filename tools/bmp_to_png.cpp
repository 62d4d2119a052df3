// BMP to PNG conversion for bmp2png through libpng: the rows streamed one at a time into the PNG,
// once bmp_read_header (tools/bmp_header.cpp) has refused a cut or lying file.
#include "tools/bmp_to_png.h"

#include <png.h>

#include <vector>

namespace {

void png_error_to_jump(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void png_quiet_warning(png_structp, png_const_charp) {}

}  // namespace

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
    std::string cut = bmp_read_rgb_row(f, bmp, y, &row, rgb.data());
    if (!cut.empty()) {
      png_destroy_write_struct(&png, &info);
      return cut;
    }
    png_write_row(png, rgb.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return "";
}
