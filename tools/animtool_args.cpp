// animtool's arguments: option reading without side effects, number and size parsing, and the
// frame-file pattern, split into its literal text and its single checked integer conversion.
#include "tools/animtool_args.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool animtool_parse_args(const std::string& command, int argc, char** argv,
                         std::initializer_list<const char*> accepted, Args* args,
                         std::string* error) {
  auto accepts = [&](const char* name) {
    for (const char* a : accepted)
      if (std::strcmp(a, name) == 0) return true;
    return false;
  };
  const std::string see = " (see animtool " + command + " --help)";
  for (int i = 0; i < argc; i++) {
    std::string a = argv[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= argc) {
        *error = command + ": " + a + " needs a value" + see;
        return false;
      }
      *into = argv[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      args->help = true;
      return true;
    } else if ((a == "-o" || a == "--output") && accepts("o")) {
      if (!value(&args->output)) return false;
    } else if (a == "--size" && accepts("size")) {
      if (!value(&args->size)) return false;
    } else if (a == "--frames" && accepts("frames")) {
      if (!value(&args->frames)) return false;
    } else if (a == "--version" && accepts("version")) {
      if (!value(&args->version)) return false;
    } else if (a == "--compress" && accepts("compress")) {
      if (!value(&args->compress)) return false;
    } else if (a == "--level" && accepts("level")) {
      if (!value(&args->level)) return false;
    } else if (a == "--fps" && accepts("fps")) {
      if (!value(&args->fps)) return false;
    } else if (a == "--crf" && accepts("crf")) {
      if (!value(&args->crf)) return false;
    } else if (a == "--start" && accepts("start")) {
      if (!value(&args->start)) return false;
    } else if (a == "--every" && accepts("every_k")) {
      if (!value(&args->every_k)) return false;
    } else if (a == "--raw" && accepts("raw")) {
      if (!value(&args->raw)) return false;
    } else if (a == "--raw" && accepts("raw_out")) {
      args->raw_out = true;
    } else if (a == "--every" && accepts("every")) {
      args->every = true;
    } else if (a == "--json" && accepts("json")) {
      args->json = true;
    } else if (a == "--alt" && accepts("alt")) {
      args->alt = true;
    } else if (a.size() > 1 && a[0] == '-') {
      *error = command + ": unknown option " + a + see;
      return false;
    } else {
      args->positional.push_back(a);
    }
  }
  return true;
}

bool parse_int(const std::string& s, long low, long high, long* out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  long v = std::strtol(s.c_str(), nullptr, 10);
  if (v < low || v > high) return false;
  *out = v;
  return true;
}

bool parse_decimal(const std::string& s, double low, double high, double* out) {
  size_t digits = 0, dots = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9')
      digits++;
    else if (c == '.')
      dots++;
    else
      return false;
  }
  if (digits == 0 || digits > 9 || dots > 1) return false;
  double v = std::strtod(s.c_str(), nullptr);
  if (!(v >= low && v <= high)) return false;
  *out = v;
  return true;
}

bool png_bytes_animated(const unsigned char* data, size_t size) {
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(data, signature, 8) != 0) return false;
  // Chunks: 4-byte big-endian length, 4-byte type, the data, 4-byte CRC.
  size_t at = 8;
  while (size - at >= 8) {
    unsigned long length = (unsigned long)data[at] << 24 | (unsigned long)data[at + 1] << 16 |
                           (unsigned long)data[at + 2] << 8 | data[at + 3];
    const unsigned char* type = data + at + 4;
    if (std::memcmp(type, "acTL", 4) == 0) return true;
    if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return false;
    if (length > size - at - 8 || size - at - 8 - length < 4) return false;
    at += 12 + length;
  }
  return false;
}

bool parse_size(const std::string& s, long max_side, long* width, long* height) {
  size_t x = s.find_first_of("xX");
  return x != std::string::npos && parse_int(s.substr(0, x), 1, max_side, width) &&
         parse_int(s.substr(x + 1), 1, max_side, height);
}

bool parse_frame_pattern(const std::string& pattern, FramePattern* out) {
  FramePattern p;
  bool found = false;
  std::string* text = &p.before;
  for (size_t i = 0; i < pattern.size(); i++) {
    if (pattern[i] != '%') {
      *text += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      *text += '%';
      i++;
      continue;
    }
    if (found) return false;  // a second conversion
    // Flags, width, precision, conversion: nothing else printf would act on ('#' with an integer
    // conversion is undefined, length modifiers and '*' would read arguments that are not there).
    size_t j = i + 1;
    while (j < pattern.size() && pattern[j] != 0 && std::strchr("0-+ ", pattern[j])) j++;
    size_t digits = 0;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') j++, digits++;
    if (j < pattern.size() && pattern[j] == '.') {
      j++;
      while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') j++, digits++;
    }
    if (digits > 4 || j >= pattern.size() || !std::strchr("diu", pattern[j]) || pattern[j] == 0)
      return false;
    p.conversion = pattern.substr(i, j + 1 - i);
    found = true;
    text = &p.after;
    i = j;
  }
  if (!found) return false;
  *out = p;
  return true;
}

std::string frame_file_name(const FramePattern& pattern, int frame) {
  // The conversion alone goes to printf: at most 9999 wide, so a small buffer holds any result.
  char number[16 + 10000];
  if (pattern.conversion.back() == 'u')
    std::snprintf(number, sizeof number, pattern.conversion.c_str(), unsigned(frame));
  else
    std::snprintf(number, sizeof number, pattern.conversion.c_str(), frame);
  return pattern.before + number + pattern.after;
}
