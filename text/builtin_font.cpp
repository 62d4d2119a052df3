// The built-in fonts: the embedded "caption" data and the Greek font embedded at build time from
// assets/caption_greek.font (caption_greek_data.cpp in the build tree).
#include "text/builtin_font.h"

#include "text/caption_font_data.h"
#include "text/font.h"

// Generated from assets/caption_greek.font by cmake/embed_file.cmake.
extern const unsigned char caption_greek_data[];
extern const unsigned caption_greek_size;

const uint8_t* font_builtin_data(int which, uint32_t* length) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (which == FONT_BUILTIN_CAPTION) {
    data = caption_font_data;
    size = CAPTION_FONT_SIZE;
  } else if (which == FONT_BUILTIN_GREEK) {
    data = caption_greek_data;
    size = caption_greek_size;
  }
  if (length) *length = size;
  return data;
}

void font_load_builtin(int which, const char* name, uint8_t as_alpha) {
  uint32_t length = 0;
  const uint8_t* data = font_builtin_data(which, &length);
  font_load_mem(data, length, name ? name : "caption", as_alpha);
}
