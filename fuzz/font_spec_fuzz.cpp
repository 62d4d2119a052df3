// Fuzz target for font specifier strings ("caption:bold:size=24px" and the like): the input up to
// its first line feed is a specifier, parsed, looked up, derived and made current, and the rest is
// measured (its first bytes drawn) with the font it selected. Two loaded fonts in an OSMesa
// context; the variants a run derives are deleted again, so memory stays flat across runs.
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_font_spec.h"
#include "fuzz/fuzz_text_context.h"
#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"

namespace {

constexpr int SIZE = 64;
Font* caption_font = nullptr;
uint32_t loaded = 0;

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  caption_font = fuzz_text_context(SIZE);
  // A second, tiny font: three glyphs of 2 x 3 pixels.
  static const uint8_t tiny[] = {2, 3, 1, 2, 3, 4, 5, 6, 2, 3, 9, 9, 9, 9, 9, 9, 1, 3, 7, 7, 7};
  font_load_mem(tiny, sizeof tiny, "tiny", 1);
  loaded = font_list.count;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const FuzzSpecInput in = fuzz_split_spec(data, size);
  const std::string& text = in.text;
  fuzz_use_spec(caption_font, in.spec);

  // Drawing costs the off-screen renderer tens of milliseconds a call: a few glyphs show whether
  // the variant draws, measuring takes the whole text.
  if (!text.empty())
    font_print_len(2, 2, 40, text.data(), text.size() < 8 ? text.size() : 8, 0xFFFFFF);
  int w = text_width_len(text.data(), text.size());
  int fit = text_fit_len(text.data(), text.size(), w / 2);
  fuzz_check(w >= 0 && fit >= 0 && size_t(fit) <= text.size());

  fuzz_delete_variants(loaded);
  // Variants share the atlas.
  fuzz_check(fuzz_font_registered(caption_font) && glIsTexture(caption_font->tex));
  return 0;
}
