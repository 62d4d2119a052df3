// Text drawing and measuring with the current font: one textured quad per glyph in window pixels,
// line feeds, word wrapping at a right-hand limit, and in-band escapes:
//   0x02 h l          glyph h * 256 + l (glyphs 256..511; 512 and above are skipped)
//   0x05 0 c0 c1 c2 c3  colour 0xRRGGBB, 32-bit little-endian
//   0x05 1 p0 p1 p2 p3  pen x replaced by a signed 32-bit little-endian integer, window pixels
//   0x05 2 s0 s1 r0 r1  size in 1/256 of the size at the call, raise in 1/256 of the line height
// Payloads may hold zero bytes, so such a text ends at the first zero that is not inside an
// escape. The *_len forms take texts of known length: an escape cut off by that end ends the text
// there, and nothing at or past text[len] is read; they are safe for any bytes. The plain forms
// (font_print, text_width, text_width_n, text_fit, font_print_boxed) are not: a text that ends
// inside an escape is read past its terminator. Use them only for texts the program builds
// itself; every text that comes from a file or a user goes through a *_len form.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// 1 opaque, 2 darken (outlines), 3 lighten (fills), 4 alpha; initially 3
extern VT_API int blend_mode;

// Draws text with its top-left cell corner at (x, y); wrap is the right-hand limit in pixels
// (0: none). A null text is drawn as "NULL?"; an empty one touches no OpenGL state. A size escape
// leaves the variant it selected current.
VT_API void font_print(int x, int y, int wrap, const char* text, uint32_t colour);
VT_API void font_print_len(int x, int y, int wrap, const char* text, size_t len, uint32_t colour);
// As font_print_len, but gives up once no later line can come back into the window, so a huge text
// costs about a screenful; what its unread rest would have selected (a colour, a size variant) is
// not applied. For untrusted texts drawn every frame, such as captions.
VT_API void font_print_window(int x, int y, int wrap, const char* text, size_t len,
                              uint32_t colour);

VT_API int glyph_advance(int glyph);     // pixels; 5 without a current font
VT_API int text_width(const char* text);  // width of the first line; escapes have no width
VT_API int text_width_len(const char* text, size_t len);
VT_API int text_width_n(char* text, int n);  // of the first n bytes (all when n < 0 or n >= length)
// Index of the character boundary on the first line nearest to pixel offset p (ties to the right).
VT_API int text_fit(const char* text, int p);
VT_API int text_fit_len(const char* text, size_t len, int p);

VT_API void set_blend_mode(int mode);
// Fills a box of the text's width and the line height in box_colour, then draws the text on it.
VT_API void font_print_boxed(int x, int y, const char* text, uint32_t text_colour,
                             uint32_t box_colour);

VT_END_DECLS
