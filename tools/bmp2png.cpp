// bmp2png: turns the player's BMP screenshots into PNG files, as the screenshot code expects
// ("bmp2png -9 -E NAME.bmp"). Reads 24-bit uncompressed BMPs (bottom-up or top-down rows, padded
// to 4 bytes) and writes NAME.png next to them through a temporary that is renamed into place; -E
// deletes the BMP only once its PNG is complete. A bad BMP gets one error line, exit status 1, and
// stays where it is. On Windows the PNG is written by the system's codec (the Windows Imaging
// Component, which picks its own compression, so the level is accepted and has no effect).
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/bmp_to_png.h"
#ifdef _WIN32
#include "tools/animtool_io.h"
#endif

namespace {

const char* const usage =
    "Usage: bmp2png [-0..-9] [-E] FILE.bmp...\n"
    "Converts 24-bit uncompressed BMP files to PNG: FILE.bmp becomes FILE.png (a name without\n"
    ".bmp gets .png added). An existing PNG of that name is replaced.\n"
    "  -0 .. -9  compression level, 0 none to 9 smallest (default 6)\n"
    "  -E        delete each BMP once its PNG has been written completely\n"
    "  -h, --help  show this help\n"
    "Exit status: 0 when every file was converted, 1 otherwise (bad files are kept).\n";

std::string png_name_for(const std::string& bmp_name) {
  size_t n = bmp_name.size();
  if (n > 4 && strcasecmp(bmp_name.c_str() + n - 4, ".bmp") == 0)
    return bmp_name.substr(0, n - 4) + ".png";
  return bmp_name + ".png";
}

#ifdef _WIN32
// The whole picture is gathered (the header check has made sure the file holds it) and handed to
// the system's codec, which writes a temporary beside NAME.png that is then moved over it.
std::string write_png_over(FILE* f, const Bmp& bmp, int, const std::string& png_name) {
  const size_t line = size_t(bmp.width) * 3;
  std::vector<unsigned char> rgb(line * size_t(bmp.height)), row;
  for (long y = 0; y < bmp.height; y++) {
    std::string error = bmp_read_rgb_row(f, bmp, y, &row, rgb.data() + line * size_t(y));
    if (!error.empty()) return error;
  }
  std::string error = replace_file(png_name, [&](const std::string& path) {
    return png_write_rgb(path, int(bmp.width), int(bmp.height), rgb);
  });
  return error.empty() ? "" : png_name + ": " + error;
}
#else
mode_t current_umask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// The PNG goes to a unique temporary in the same folder, which is flushed to disk and renamed
// over NAME.png, so a reader never sees half a PNG and the BMP is deleted only when the PNG is
// certainly whole.
std::string write_png_over(FILE* f, const Bmp& bmp, int level, const std::string& png_name) {
  std::string temp = png_name + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) return png_name + ": " + std::strerror(errno);
  fchmod(fd, 0666 & ~current_umask());  // mkstemp makes it private; a PNG is an ordinary file
  FILE* out = fdopen(fd, "wb");
  if (!out) {
    close(fd);
    std::remove(temp.c_str());
    return "out of memory";
  }
  std::string error = bmp_write_png(f, bmp, level, out);
  int err = 0;
  if (error.empty()) {
    if (std::fflush(out) != 0 || std::ferror(out) || fsync(fileno(out)) != 0)
      err = errno ? errno : EIO;
  }
  if (std::fclose(out) != 0 && error.empty() && !err) err = errno ? errno : EIO;
  if (error.empty() && err) error = png_name + ": " + std::strerror(err);
  if (error.empty() && std::rename(temp.c_str(), png_name.c_str()) != 0)
    error = png_name + ": " + std::strerror(errno);
  if (!error.empty()) std::remove(temp.c_str());
  return error;
}
#endif

// Converts one file; returns an empty string or the reason of the failure.
std::string convert(const std::string& name, int level, bool erase) {
  FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return std::strerror(errno);
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return "not a regular file";
  }
  Bmp bmp;
  std::string error = bmp_read_header(f, long(st.st_size), &bmp);
  if (!error.empty()) {
    std::fclose(f);
    return error;
  }
  const std::string png_name = png_name_for(name);
  error = write_png_over(f, bmp, level, png_name);
  std::fclose(f);
  if (!error.empty()) return error;
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
