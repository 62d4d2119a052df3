// Fuzz target for text drawing and measuring on arbitrary bytes, with the embedded font in an
// OSMesa context. The length-bounded forms get the input in a buffer of exactly its size; the
// zero-terminated forms get it followed by enough zero bytes to close any escape.
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_text_context.h"
#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"

namespace {

constexpr int SIZE = 64;
Font* caption_font = nullptr;

}  // namespace

// Mesa keeps a few internal blocks that it never frees; they are not ours to report. (The name is
// the sanitizer runtime's hook.)
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa\n"; }

// Set-up outside the runs, so that the context's own allocations are not taken for leaks.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  caption_font = fuzz_text_context(SIZE);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int wrap = data[0] & 0x40 ? (data[0] & 0x3F) : 0;
  set_blend_mode(data[1] & 7);
  data += 2;
  size -= 2;

  font_select(caption_font);
  cur_desc = caption_font->desc;

  // Exactly sized: any read at or past data[size] is caught by ASan.
  char* exact = static_cast<char*>(malloc(size ? size : 1));
  if (size) memcpy(exact, data, size);
  font_print_len(2, 2, wrap, exact, size, 0xFFFFFF);
  int w = text_width_len(exact, size);
  int fit = text_fit_len(exact, size, w / 2);
  if (w < 0 || fit < 0 || size_t(fit) > size) abort();
  free(exact);

  // Zero-terminated, closed by zeros: every escape ends inside the buffer.
  std::vector<char> padded(data, data + size);
  padded.resize(size + 8, 0);
  font_select(caption_font);
  cur_desc = caption_font->desc;
  font_print(2, 2, wrap, padded.data(), 0x00FF00);
  if (text_width(padded.data()) < 0) abort();
  text_fit(padded.data(), 7);
  text_width_n(padded.data(), int(size / 2));

  // Drop the variants that size escapes derived, so memory stays flat across runs.
  for (uint32_t i = font_list.count; i-- > 0;) {
    if (i < font_list.count && fonts[i]->desc.own_glyphs == 0) font_delete(fonts[i]);
  }
  return 0;
}
