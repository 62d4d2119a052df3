// Bitmap fonts: the font data format, the Font record, the store of all fonts and the current font.
// A font is a headerless run of glyph records (width byte, height byte, width x height palette
// indices, 255 transparent); the loader packs them into one RGBA atlas texture.
#pragma once

#include <stdint.h>

#include "../support/dyn_array.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

enum { FONT_GLYPHS = 512 };  // 0..255 character codes, 256..511 symbols reached by escapes

typedef struct Font Font;

// What a font is: its base font (whose glyphs and texture it uses) and its style values.
typedef struct FontDesc FontDesc;
struct FontDesc {
  Font* base;        // the loaded font itself for a loaded font
  float xscale;      // horizontal scale
  float yscale;      // vertical scale
  float skew;        // slant
  float boldness;    // extra advance as a fraction of the glyph width
  int32_t own_glyphs;  // 512 for a loaded font, 0 for a derived variant
  int32_t reserved;    // always 0
};

// A loaded font or a variant of one: its glyphs' places in the atlas texture and its metrics.
struct Font {
  uint32_t tex;                   // atlas texture; derived variants share their base's
  int32_t glyph_x[FONT_GLYPHS];   // left column of each glyph in the atlas
  int32_t glyph_y[FONT_GLYPHS];   // top row of each glyph's cell in the atlas
  int32_t glyph_w[FONT_GLYPHS];   // glyph width, 0 = no glyph
  int32_t atlas_w, atlas_h;       // atlas size read back from the texture
  uint8_t max_w;                  // largest glyph_w
  uint8_t height;                 // cell height: the tallest glyph, at least 1
  uint8_t cell_w;                 // glyph_w[67] + 1
  char* name;                     // owned; lookups ignore case
  FontDesc desc;                  // what the font is: base and style
};

extern VT_API DynArray font_list;   // the FontStore: one Font* per element
extern VT_API Font** fonts;         // alias of font_list.data: fonts[i] for i < font_list.count
extern VT_API Font* cur_font;       // the font text drawing and measuring use
extern VT_API FontDesc cur_desc;    // descriptor of the latest selection
extern VT_API uint8_t cur_line_h;   // trunc(height of base x yscale) of the current font
extern VT_API uint8_t cur_cell_w;   // trunc(cell_w of base x xscale): the basis of letter spacing

// Where the loader puts every glyph for a texture size limit: fills the font's glyph_x, glyph_y,
// glyph_w and height and returns the atlas size it needs. A record cut off by the end of the data
// keeps its width and height; its missing bytes are transparent.
typedef struct FontLayout FontLayout;
struct FontLayout {
  int32_t atlas_w, atlas_h;  // powers of two
  int32_t needed_w;          // widest extent of any row
  int32_t last_row_y;        // top of the last row
};
// Lays the glyphs of data out for the texture size limit, as described above.
VT_API FontLayout font_layout(const uint8_t* data, uint32_t length, int limit, Font* font);

VT_API void font_list_init(void);  // creates the font store once; the loaders call it
// The RGBA texels (width x height, row-major, top row first) of the atlas font_layout laid out in
// font for the same data: colour mode (as_alpha 0) gives every glyph byte its palette colour with
// alpha 255 and transparent bytes (0, 0, 0, 0); alpha mode gives every glyph byte white with its
// coverage as alpha (0 for transparent). Texels between glyphs, and those of bytes cut off by the
// end of the data, are (0, 0, 0, 0).
// No OpenGL is needed. The block is the caller's to free(); null when memory runs out.
VT_API uint8_t* font_atlas(const uint8_t* data, uint32_t length, const Font* font, int width,
                           int height, uint8_t as_alpha);
// Loads font data (as_alpha non-zero: white glyphs with their coverage in alpha, for tinting)
// into a new font called name; the first font loaded becomes current.
VT_API void font_load_mem(const uint8_t* data, uint32_t length, const char* name, uint8_t as_alpha);
VT_API void loadfont(const char* path, const char* name);  // font_load_mem of a file; missing: fatal
// The whole file in a new heap buffer, its size in *length; null when it cannot be read or is empty.
VT_API uint8_t* file_read_all(const char* path, int32_t* length);
VT_API void font_metrics(Font* font);  // max_w, cell_w and the atlas size, from the glyphs
VT_API void font_select(Font* font);   // makes the font current, with its line height and cell
// Lifts the coverage of the digits' and symbols' reduced levels, so small text stays legible.
VT_API void font_sharpen_mips(Font* font);

VT_END_DECLS
