// Shared set-up of the text fuzz targets: a small off-screen GL context in the window's pixel
// space with the embedded "caption" font loaded and current. Called once from
// LLVMFuzzerInitialize, outside the runs, so the context's own allocations are not taken for leaks.
#pragma once

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"

// Returns the caption font; the context lives for the whole process.
inline Font* fuzz_text_context(int size) {
  static std::vector<uint8_t> buffer;
  buffer.assign(size_t(size) * size * 4, 0);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, size, size)) abort();
  screen_w = size;
  screen_h = size;
  glViewport(0, 0, size, size);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, size, size, 0, size / 2, -(size / 2));
  glMatrixMode(GL_MODELVIEW);
  font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
  return cur_font;
}
