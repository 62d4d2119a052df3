// The fonts built into the library, so a program draws text without shipping a font file:
// "caption", the player's caption and overlay font (character codes 0..255, rendered from DejaVu
// Sans at 20 pixels), and the same font with the Greek letters as glyphs 256..308, which is what
// the mark-up's Greek names (markup_greek) draw with.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Which built-in font.
enum {
  FONT_BUILTIN_CAPTION = 0,  // codes 0..255
  FONT_BUILTIN_GREEK = 1,    // codes 0..255 and the Greek letters as glyphs 256..308
};

// The font data of a built-in font, in the format font_load_mem reads, with its length in bytes
// stored through length (which may be null). Null (length 0) for an unknown font. The data is
// part of the library and stays valid for the whole run.
VT_API const uint8_t* font_builtin_data(int which, uint32_t* length);

// Registers a built-in font under name as font_load_mem does (as_alpha as there; a null name
// gives "caption"), e.g. font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0) right after
// gfx_open. Needs the current OpenGL context, like every font load.
VT_API void font_load_builtin(int which, const char* name, uint8_t as_alpha);

VT_END_DECLS
