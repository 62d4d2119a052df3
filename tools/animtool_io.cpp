// animtool's files: libpng reading through one read function for files and memory alike, so the
// same code that encodes frames can be fuzzed on bytes; PNG writing; and outputs written through
// temporaries created exclusively beside them and renamed into place.
#include "tools/animtool_io.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "anim/anim_file.h"

namespace {

std::string reason(int err) { return std::strerror(err); }

void png_error_to_jump(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void png_quiet_warning(png_structp, png_const_charp) {}

// Where the PNG bytes come from: an open file, or a block of memory.
struct Source {
  FILE* file = nullptr;
  const unsigned char* data = nullptr;
  size_t size = 0, at = 0;
};

void read_source(png_structp png, png_bytep out, png_size_t n) {
  Source* s = static_cast<Source*>(png_get_io_ptr(png));
  size_t got = 0;
  if (s->file) {
    got = std::fread(out, 1, n, s->file);
  } else {
    got = n <= s->size - s->at ? n : s->size - s->at;
    std::memcpy(out, s->data + s->at, got);
    s->at += got;
  }
  if (got != n) png_error(png, "file ends too soon");
}

std::string read_png(Source* source, int max_side, RgbImage* out) {
  unsigned char sig[8];
  size_t got = 0;
  if (source->file) {
    got = std::fread(sig, 1, 8, source->file);
  } else {
    got = source->size < 8 ? source->size : 8;
    std::memcpy(sig, source->data, got);
    source->at = got;
  }
  if (got != 8 || png_sig_cmp(sig, 0, 8) != 0) return "not a PNG file";
  std::string error;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, png_error_to_jump, png_quiet_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return "out of memory";
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return "bad PNG data (" + (error.empty() ? std::string("read error") : error) + ")";
  }
  png_set_read_fn(png, source, read_source);
  png_set_sig_bytes(png, 8);
  // The size is judged here from the header, so libpng's own limit must not answer first.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);
  out->width = int(png_get_image_width(png, info));
  out->height = int(png_get_image_height(png, info));
  if (out->width <= max_side && out->height <= max_side) {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(out->width) * 3)
      png_error(png, "unexpected row layout");
    out->rgb.assign(size_t(out->width) * out->height * 3, 0);
    rows.resize(size_t(out->height));
    for (int y = 0; y < out->height; y++) rows[size_t(y)] = &out->rgb[size_t(y) * out->width * 3];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (out->width > max_side || out->height > max_side)
    return std::to_string(out->width) + "x" + std::to_string(out->height) +
           " is larger than an animation can hold (" + std::to_string(max_side) + "x" +
           std::to_string(max_side) + " at most)";
  return "";
}

}  // namespace

std::string png_read_rgb_file(const std::string& path, int max_side, RgbImage* out) {
  errno = 0;
  FILE* f = anim_fopen_read(path.c_str());
  if (!f) return reason(errno ? errno : ENOENT);
  Source source;
  source.file = f;
  std::string error = read_png(&source, max_side, out);
  std::fclose(f);
  return error;
}

std::string png_read_rgb_bytes(const unsigned char* data, size_t size, int max_side,
                               RgbImage* out) {
  Source source;
  source.data = data;
  source.size = size;
  return read_png(&source, max_side, out);
}

std::string png_write_rgb(const std::string& path, int width, int height,
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
  errno = 0;
  if (std::fclose(f) != 0 || bad) return reason(errno ? errno : EIO);
  return "";
}

std::string temp_beside(const std::string& target, int* error) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; attempt++) {
    std::string name = target + "." + std::to_string(long(getpid())) + "-" +
                       std::to_string(counter++) + ".tmp";
    // Exclusive creation: a file that already bears the name (the user's own) is left alone.
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      close(fd);
      return name;
    }
    if (errno != EEXIST) {
      *error = errno;
      return "";
    }
  }
  *error = EEXIST;
  return "";
}

std::string replace_file(const std::string& target,
                         const std::function<std::string(const std::string& path)>& write) {
  int err = 0;
  std::string temp = temp_beside(target, &err);
  if (temp.empty()) return reason(err);
  std::string error = write(temp);
  if (error.empty() && std::rename(temp.c_str(), target.c_str()) != 0) error = reason(errno);
  if (!error.empty()) std::remove(temp.c_str());
  return error;
}
