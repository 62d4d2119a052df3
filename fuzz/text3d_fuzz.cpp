// Fuzz target for the 3D text operations on arbitrary strings: measuring, flat and mapped drawing
// and laying along vectors, with the embedded font, a font holding glyphs past 255, or a line
// height of 0. The text is followed by zeros so that any escape closes inside the buffer.
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_text_context.h"
#include "gfx/shell_state.h"
#include "gfx3d/text3d.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/text_draw.h"

namespace {

constexpr int SIZE = 64;
Font* caption_font = nullptr;
Font* extra_font = nullptr;  // glyphs 0..300, every third one empty

void map_wave(double column, double row, void*, double* x, double* y, double* z, int* colour) {
  *x = 4 * column;
  *y = 4 * row + std::sin(column);
  *z = std::cos(column);
  *colour = int(column * 1000) & 0xFFFFFF;
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  caption_font = fuzz_text_context(SIZE);
  std::vector<uint8_t> extra;
  for (int g = 0; g <= 300; g++) {
    int w = g % 3 ? 1 + g % 7 : 0;
    extra.push_back(uint8_t(w));
    extra.push_back(uint8_t(w ? 9 : 0));
    extra.insert(extra.end(), size_t(w) * (w ? 9 : 0), uint8_t(g));
  }
  font_load_mem(extra.data(), uint32_t(extra.size()), "extra", 1);
  extra_font = fonts[font_list.count - 1];
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0];
  set_blend_mode(mode & 7);
  font_select((mode & 8) ? extra_font : caption_font);
  if (mode & 16) cur_line_h = 0;
  std::vector<char> text(data + 1, data + size);
  text.resize(text.size() + 4, 0);  // a glyph escape reads at most two bytes past its 0x02

  double width = text_width_lines(text.data());
  if (!(width >= 0) || std::isinf(width)) abort();
  draw_text_scaled(1, 2, 3, text.data(), 0xFFFFFF);
  draw_text_mapped(text.data(), map_wave, nullptr);
  const double down[3] = {0, 1, 0.5}, across[3] = {1, 0, -0.25};
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  emit_text_3d(0, 0, 0, text.data(), down, across);
  glEnd();
  glDisable(GL_TEXTURE_2D);

  // Undo the forced line height: the next run selects again.
  if (mode & 16) font_select(cur_font == caption_font ? extra_font : caption_font);
  glFinish();
  return 0;
}
