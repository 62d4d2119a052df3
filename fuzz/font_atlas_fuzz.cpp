// Fast fuzz target for the font loader's handling of the data, without OpenGL: any bytes are laid
// out (font_layout) and painted into atlas texels (font_atlas) in both modes, as font_load_mem does
// before it uploads them; font_load_fuzz and loadfont_fuzz go on to the texture. Walks the glyph
// records on its own and checks that every glyph lies inside the atlas, that no two glyphs share a
// texel, that exactly the bytes of each glyph are painted (opaque in colour mode, white in alpha
// mode) and that every other texel stays (0, 0, 0, 0). The texture size limit is held at 256, as in
// the other font targets. The data sit in a buffer of exactly their
// size, so a read past a cut-off record shows under AddressSanitizer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/font.h"

namespace {

constexpr int LIMIT = 256;

void check(bool ok) {
  if (!ok) abort();
}

bool power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  const uint32_t length = uint32_t(size);
  std::vector<uint8_t> copy(data, data + size);  // exactly sized, also when empty
  const uint8_t* bytes = copy.empty() ? nullptr : copy.data();

  Font font = {};
  FontLayout layout = font_layout(bytes, length, LIMIT, &font);
  const int w = layout.atlas_w, h = layout.atlas_h;
  check(power_of_two(w) && power_of_two(h) && font.height >= 1);
  if (h > LIMIT) return 0;  // the loader refuses these with its fatal message
  check(w <= 2 * LIMIT);

  uint8_t* colour = font_atlas(bytes, length, &font, w, h, 0);
  uint8_t* alpha = font_atlas(bytes, length, &font, w, h, 1);
  check(colour && alpha);
  std::vector<uint8_t> covered(size_t(w) * h, 0);

  // The records as the loader reads them: a missing height byte counts as 0, and the image of a
  // record cut off by the end of the data keeps its size but has only the bytes that are there.
  uint64_t pos = 0;
  for (int i = 0; i < FONT_GLYPHS; i++) {
    if (pos >= length) {
      check(font.glyph_w[i] == 0);
      continue;
    }
    const int gw = bytes[pos], gh = pos + 1 < length ? bytes[pos + 1] : 0;
    const uint64_t image = pos + 2;
    pos += 2 + uint64_t(gw) * uint64_t(gh);
    check(font.glyph_w[i] == gw && gh <= font.height);
    if (gw == 0) continue;
    const int x0 = font.glyph_x[i], y0 = font.glyph_y[i];
    check(x0 >= 0 && x0 + gw <= w && y0 >= 0 && y0 + font.height <= h);
    for (int y = 0; y < gh; y++)
      for (int x = 0; x < gw; x++) {
        const size_t at = size_t(y0 + y) * w + size_t(x0 + x);
        check(!covered[at]++);
        const uint64_t src = image + uint64_t(y) * gw + x;
        const uint8_t* c = colour + at * 4;
        const uint8_t* a = alpha + at * 4;
        if (src >= length) continue;  // cut off: stays zero, which the end checks
        const uint8_t v = bytes[src];
        check(c[3] == (v == 255 ? 0 : 255));
        check(v != 255 || (c[0] | c[1] | c[2]) == 0);
        check(a[0] == 255 && a[1] == 255 && a[2] == 255 && (v != 255 || a[3] == 0));
        std::memset(colour + at * 4, 0, 4);  // checked: all the rest must be zero
        std::memset(alpha + at * 4, 0, 4);
      }
  }
  static std::vector<uint8_t> zeros;
  zeros.assign(size_t(w) * h * 4, 0);
  check(std::memcmp(colour, zeros.data(), zeros.size()) == 0);
  check(std::memcmp(alpha, zeros.data(), zeros.size()) == 0);
  free(colour);
  free(alpha);
  return 0;
}
