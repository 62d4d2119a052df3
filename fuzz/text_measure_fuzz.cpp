// Fast fuzz target for the text logic that needs no OpenGL: font specifiers ("caption:bold:size=
// 24px" and the like) parsed, looked up, derived and made current, then the rest of the input
// measured, fitted and measured line by line with the font they selected. The fonts are laid out
// by the loader's own layout but get no texture, so no GL context is made and thousands of inputs
// run a second; text_draw_fuzz and font_spec_fuzz draw the same with OpenGL. The variants a run
// derives are deleted again, so memory stays flat across runs.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_font_spec.h"
#include "gfx3d/text3d.h"
#include "text/caption_font_data.h"
#include "support/util.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"

namespace {

// Registers a font laid out as the loader does, with the sizes the loader would read back from its
// texture, but no texture.
Font* font_without_texture(const uint8_t* data, uint32_t length, const char* name) {
  Font* f = static_cast<Font*>(calloc(1, sizeof(Font)));
  fuzz_check(f != nullptr);
  string_dup(&f->name, name);
  FontLayout layout = font_layout(data, length, 2048, f);
  f->atlas_w = layout.atlas_w;
  f->atlas_h = layout.atlas_h;
  for (int i = 0; i < FONT_GLYPHS; i++)
    if (f->glyph_w[i] > f->max_w) f->max_w = uint8_t(f->glyph_w[i]);
  f->cell_w = uint8_t(f->glyph_w[67] + 1);
  f->desc = FontDesc{f, 1.0f, 1.0f, 0.0f, 0.0f, FONT_GLYPHS, 0};
  font_list_init();
  array_push(&font_list, &f);
  return f;
}

Font* caption_font = nullptr;
uint32_t loaded = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  caption_font = font_without_texture(caption_font_data, CAPTION_FONT_SIZE, "caption");
  // A tiny font (three glyphs of 2 x 3 pixels) and one with glyphs past 255, every third empty.
  static const uint8_t tiny[] = {2, 3, 1, 2, 3, 4, 5, 6, 2, 3, 9, 9, 9, 9, 9, 9, 1, 3, 7, 7, 7};
  font_without_texture(tiny, sizeof tiny, "tiny");
  static std::vector<uint8_t> extra;
  for (int g = 0; g <= 300; g++) {
    int w = g % 3 ? 1 + g % 7 : 0;
    extra.push_back(uint8_t(w));
    extra.push_back(uint8_t(w ? 9 : 0));
    extra.insert(extra.end(), size_t(w) * (w ? 9 : 0), uint8_t(g));
  }
  font_without_texture(extra.data(), uint32_t(extra.size()), "extra");
  loaded = font_list.count;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const FuzzSpecInput in = fuzz_split_spec(data, size);
  const std::string& text = in.text;
  fuzz_use_spec(caption_font, in.spec);

  // Exactly sized: any read at or past the end is caught by ASan.
  std::vector<char> exact(text.begin(), text.end());
  const char* t = exact.empty() ? nullptr : exact.data();
  int w = text_width_len(t, exact.size());
  int fit = text_fit_len(t, exact.size(), w / 2);
  fuzz_check(w >= 0 && fit >= 0 && size_t(fit) <= exact.size());
  for (size_t i = 0; i < exact.size() && i < 4; i++) glyph_advance(uint8_t(exact[i]));

  // Zero-terminated, closed by zeros: every escape ends inside the buffer.
  std::vector<char> padded(text.begin(), text.end());
  padded.resize(padded.size() + 8, 0);
  fuzz_check(text_width(padded.data()) >= 0);
  text_fit(padded.data(), 7);
  text_width_n(padded.data(), int(text.size() / 2));
  double lines = text_width_lines(padded.data());
  fuzz_check(lines >= 0 && !std::isinf(lines));

  fuzz_delete_variants(loaded);
  fuzz_check(fuzz_font_registered(caption_font));
  return 0;
}
