// animtool on POSIX: PNG files through libpng, and rename to put a finished file in place.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/animtool_platform.h"

namespace {

std::string reason(int err) { return std::strerror(err); }

void png_error_to_jump(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void png_quiet_warning(png_structp, png_const_charp) {}

}  // namespace

std::string write_rgb_png(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return reason(errno);
  std::string error;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, png_error_to_jump, png_quiet_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return "out of memory";
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return error.empty() ? "PNG write error" : error;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  for (int y = 0; y < height; y++)
    png_write_row(png, const_cast<png_bytep>(&rgb[size_t(y) * width * 3]));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) return reason(errno ? errno : EIO);
  return "";
}

std::string read_rgb_png(const std::string& path, RgbImage* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return reason(errno);
  unsigned char sig[8];
  if (std::fread(sig, 1, 8, f) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
    std::fclose(f);
    return "not a PNG file";
  }
  std::string error;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, png_error_to_jump, png_quiet_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::fclose(f);
    return "out of memory";
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return "bad PNG data (" + (error.empty() ? std::string("read error") : error) + ")";
  }
  png_init_io(png, f);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out->width = int(png_get_image_width(png, info));
  out->height = int(png_get_image_height(png, info));
  if (png_get_rowbytes(png, info) != size_t(out->width) * 3)
    png_error(png, "unexpected row layout");
  out->rgb.assign(size_t(out->width) * out->height * 3, 0);
  rows.resize(size_t(out->height));
  for (int y = 0; y < out->height; y++) rows[size_t(y)] = &out->rgb[size_t(y) * out->width * 3];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return "";
}

bool animtool_replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}
