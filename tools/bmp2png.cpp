// bmp2png: turns the player's BMP screenshots into PNG files, as the screenshot code expects
// ("bmp2png -9 -E NAME.bmp"). Reads 24-bit uncompressed BMPs (bottom-up or top-down rows, padded
// to 4 bytes) and writes NAME.png next to them through a temporary that is renamed into place; -E
// deletes the BMP only once its PNG is complete. A bad BMP gets one error line, exit status 1, and
// stays where it is.
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "Usage: bmp2png [-0..-9] [-E] FILE.bmp...\n"
    "Converts 24-bit uncompressed BMP files to PNG: FILE.bmp becomes FILE.png (a name without\n"
    ".bmp gets .png added). An existing PNG of that name is replaced.\n"
    "  -0 .. -9  compression level, 0 none to 9 smallest (default 6)\n"
    "  -E        delete each BMP once its PNG has been written completely\n"
    "  -h, --help  show this help\n"
    "Exit status: 0 when every file was converted, 1 otherwise (bad files are kept).\n";

// Largest side accepted; keeps every size computation far from overflow and a broken header from
// asking for absurd amounts of memory.
constexpr long kMaxSide = 65535;

struct Bmp {
  long width = 0, height = 0;
  bool top_down = false;
  long data_offset = 0;
  long stride = 0;
};

uint32_t get_u32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get_u16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Checks the headers against what we can convert and against the real file size, so that a
// truncated file is refused before any PNG is started. Returns an empty string or the reason.
std::string read_header(FILE* f, long file_size, Bmp* bmp) {
  unsigned char h[54];
  if (file_size < 54 || std::fread(h, 1, 54, f) != 54) return "not a BMP file (too short)";
  if (h[0] != 'B' || h[1] != 'M') return "not a BMP file";
  uint32_t offset = get_u32(h + 10), info_size = get_u32(h + 14);
  // BITMAPINFOHEADER and its later extensions (V4, V5) start alike.
  if (info_size < 40 || info_size > 124) return "unsupported BMP header";
  int32_t width = int32_t(get_u32(h + 18)), height = int32_t(get_u32(h + 22));
  uint16_t planes = get_u16(h + 26), bits = get_u16(h + 28);
  uint32_t compression = get_u32(h + 30);
  if (bits != 24) return "only 24-bit BMPs are supported (this one has " + std::to_string(bits) + ")";
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

void png_error_to_jump(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void png_quiet_warning(png_structp, png_const_charp) {}

// Streams the rows of bmp from f into a PNG written to out. Returns an empty string or the reason.
std::string write_png(FILE* f, const Bmp& bmp, int level, FILE* out) {
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

mode_t current_umask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

std::string png_name_for(const std::string& bmp_name) {
  size_t n = bmp_name.size();
  if (n > 4 && strcasecmp(bmp_name.c_str() + n - 4, ".bmp") == 0)
    return bmp_name.substr(0, n - 4) + ".png";
  return bmp_name + ".png";
}

// Converts one file; returns an empty string or the reason of the failure. The PNG goes to a
// unique temporary in the same folder, which is flushed to disk and renamed over NAME.png, so a
// reader never sees half a PNG and the BMP is deleted only when the PNG is certainly whole.
std::string convert(const std::string& name, int level, bool erase) {
  FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return std::strerror(errno);
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return "not a regular file";
  }
  Bmp bmp;
  std::string error = read_header(f, long(st.st_size), &bmp);
  if (!error.empty()) {
    std::fclose(f);
    return error;
  }
  const std::string png_name = png_name_for(name);
  std::string temp = png_name + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    int err = errno;
    std::fclose(f);
    return png_name + ": " + std::strerror(err);
  }
  fchmod(fd, 0666 & ~current_umask());  // mkstemp makes it private; a PNG is an ordinary file
  FILE* out = fdopen(fd, "wb");
  if (!out) {
    close(fd);
    std::remove(temp.c_str());
    std::fclose(f);
    return "out of memory";
  }
  error = write_png(f, bmp, level, out);
  std::fclose(f);
  int err = 0;
  if (error.empty()) {
    if (std::fflush(out) != 0 || std::ferror(out) || fsync(fileno(out)) != 0)
      err = errno ? errno : EIO;
  }
  if (std::fclose(out) != 0 && error.empty() && !err) err = errno ? errno : EIO;
  if (error.empty() && err) error = png_name + ": " + std::strerror(err);
  if (error.empty() && std::rename(temp.c_str(), png_name.c_str()) != 0)
    error = png_name + ": " + std::strerror(errno);
  if (!error.empty()) {
    std::remove(temp.c_str());
    return error;
  }
  if (erase && std::remove(name.c_str()) != 0)
    return std::string("PNG written, BMP not deleted: ") + std::strerror(errno);
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  int level = 6;
  bool erase = false, options_done = false;
  std::vector<std::string> names;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (options_done || a.size() < 2 || a[0] != '-') {
      names.push_back(a);
    } else if (a == "--") {
      options_done = true;
    } else if (a == "-h" || a == "--help") {
      std::fputs(usage, stdout);
      return 0;
    } else if (a.size() == 2 && a[1] >= '0' && a[1] <= '9') {
      level = a[1] - '0';
    } else if (a == "-E") {
      erase = true;
    } else {
      std::fprintf(stderr, "bmp2png: unknown option %s (see bmp2png --help)\n", a.c_str());
      return 1;
    }
  }
  if (names.empty()) {
    std::fputs(usage, stderr);
    return 1;
  }
  int status = 0;
  for (const std::string& name : names) {
    std::string error = convert(name, level, erase);
    if (!error.empty()) {
      std::fprintf(stderr, "bmp2png: %s: %s\n", name.c_str(), error.c_str());
      status = 1;
    }
  }
  return status;
}
