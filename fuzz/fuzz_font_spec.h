// Shared part of the font specifier fuzz targets (font_spec_fuzz draws,
// text_measure_fuzz only measures): the input split at its first line feed into
// a specifier and a text, the specifier parsed, looked up and made current with
// every answer checked to name a registered font, and the variants a run
// derived deleted again. Needs no OpenGL.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/font.h"
#include "text/font_variants.h"

inline void fuzz_check(bool ok) {
  if (!ok)
    abort();
}

inline bool fuzz_font_registered(const Font *f) {
  for (uint32_t i = 0; i < font_list.count; i++)
    if (fonts[i] == f)
      return true;
  return false;
}

// The specifier (up to its first zero byte, as a C string reads it) and the
// text after the line.
struct FuzzSpecInput {
  std::string spec, text;
};
inline FuzzSpecInput fuzz_split_spec(const uint8_t *data, size_t size) {
  std::string input(reinterpret_cast<const char *>(data), size);
  size_t cut = input.find('\n');
  return {input.substr(0, cut),
          cut == std::string::npos ? "" : input.substr(cut + 1)};
}

// Starts from base as the current font, then takes the specifier every way the
// library offers.
inline void fuzz_use_spec(Font *base, const std::string &spec) {
  font_select(base);
  cur_desc = base->desc;
  FontDesc d = font_parse_spec(spec.c_str());
  fuzz_check(d.base != nullptr && fuzz_font_registered(d.base));
  Font *got = font_get(spec.c_str());
  fuzz_check(got == nullptr || fuzz_font_registered(got));
  font_exists(spec.c_str());
  font_use(spec.c_str());
  fuzz_check(cur_font != nullptr && fuzz_font_registered(cur_font));
}

// Deletes the fonts registered after the first `loaded`, the variants a run
// derived.
inline void fuzz_delete_variants(uint32_t loaded) {
  while (font_list.count > loaded)
    font_delete(fonts[font_list.count - 1]);
}
