// Fuzz target for font_load_mem: any bytes are a font. The texture limit is held at 256 so that an
// input runs fast; inputs whose atlas would exceed it are skipped (the loader ends the program
// there with its fatal message, which has its own test). Checks that every glyph lies inside the
// atlas and that the texture has the size the layout asked for; the data sit in a buffer of
// exactly their size, so a read past a cut-off record shows under AddressSanitizer.
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/dyn_array.h"
#include "text/font.h"
#include "text/font_internal.h"

namespace {

constexpr int LIMIT = 256;

void check(bool ok) {
  if (!ok) abort();
}

std::vector<uint8_t> pixels(16 * 16 * 4);

bool power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

}  // namespace

// Mesa keeps some allocations of its own (context state, texture caches) beyond a single run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa\n"; }

// The context is made once, outside the runs, and kept for the whole session.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, 16, 16)) abort();
  font_set_max_texture_size_override(LIMIT);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  Font probe = {};
  FontLayout layout = font_layout(data, uint32_t(size), LIMIT, &probe);
  if (uint32_t(layout.atlas_h) > uint32_t(LIMIT)) return 0;

  std::vector<uint8_t> copy(data, data + size);  // exactly sized, also when empty
  cur_font = nullptr;
  font_load_mem(copy.empty() ? nullptr : copy.data(), uint32_t(size), "fuzz", uint8_t(size & 1));
  check(font_list.count > 0);
  Font* f = fonts[font_list.count - 1];
  check(cur_font == f);
  check(f->atlas_w == layout.atlas_w && f->atlas_h == layout.atlas_h);
  check(power_of_two(f->atlas_w) && power_of_two(f->atlas_h) && f->height >= 1);
  for (int i = 0; i < FONT_GLYPHS; i++) {
    check(f->glyph_w[i] >= 0 && f->glyph_w[i] <= 255);
    if (f->glyph_w[i] == 0) continue;
    check(f->glyph_x[i] >= 0 && f->glyph_x[i] + f->glyph_w[i] <= f->atlas_w);
    check(f->glyph_y[i] >= 0 && f->glyph_y[i] + f->height <= f->atlas_h);
    check(f->glyph_x[i] == probe.glyph_x[i] && f->glyph_y[i] == probe.glyph_y[i]);
  }

  // Fonts live for the whole run in the player; here each one goes again at once.
  array_remove_value(&font_list, &f);
  GLuint tex = f->tex;
  glDeleteTextures(1, &tex);
  free(f->name);
  free(f);
  cur_font = nullptr;
  return 0;
}
