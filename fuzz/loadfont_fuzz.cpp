// Fuzz target for loadfont: any bytes as a font file on disk. The file is read whole and loaded as
// a font under the given name; checks that the bytes read are the file's and that every glyph lies
// inside the atlas. As in the in-memory target, the texture limit is held at 256 and inputs whose
// atlas would exceed it (the loader's fatal end) or empty files (loadfont's fatal end) are skipped.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_temp.h"
#include "support/dyn_array.h"
#include "text/font.h"
#include "text/font_internal.h"

namespace {

constexpr int LIMIT = 256;
std::string path;

void check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::vector<uint8_t> pixels(16 * 16 * 4);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, 16, 16)) abort();
  font_set_max_texture_size_override(LIMIT);
  path = fuzz_temp_path("loadfont-fuzz") + ".fnt";
  atexit([] { unlink(path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 0x7FFFFFFF) return 0;
  Font probe = {};
  FontLayout layout = font_layout(data, uint32_t(size), LIMIT, &probe);
  if (uint32_t(layout.atlas_h) > uint32_t(LIMIT)) return 0;

  FILE* f = fopen(path.c_str(), "wb");
  check(f != nullptr);
  check(fwrite(data, 1, size, f) == size);
  check(fclose(f) == 0);

  int32_t length = -1;
  uint8_t* back = file_read_all(path.c_str(), &length);
  check(back != nullptr && length == int32_t(size) && memcmp(back, data, size) == 0);
  free(back);

  cur_font = nullptr;
  uint32_t before = font_list.count;
  loadfont(path.c_str(), "from file");
  check(font_list.count == before + 1);
  Font* font = fonts[before];
  check(cur_font == font && strcmp(font->name, "from file") == 0);
  check(font->atlas_w == layout.atlas_w && font->atlas_h == layout.atlas_h);
  for (int i = 0; i < FONT_GLYPHS; i++) {
    if (font->glyph_w[i] == 0) continue;
    check(font->glyph_x[i] >= 0 && font->glyph_x[i] + font->glyph_w[i] <= font->atlas_w);
    check(font->glyph_y[i] >= 0 && font->glyph_y[i] + font->height <= font->atlas_h);
  }

  array_remove_value(&font_list, &font);
  GLuint tex = font->tex;
  glDeleteTextures(1, &tex);
  free(font->name);
  free(font);
  cur_font = nullptr;
  return 0;
}
