// Text mark-up: turns readable text into the escapes font_print draws. Greek letter names become
// glyph escapes (glyphs 256..308, which a font must hold to show them), "^" and "_" become
// superscripts and subscripts ("x^2", "e^{x^2}"), "#col=n#" and "#tab=n#" become colour and pen
// position escapes. Everything works in place on the caller's buffer, whose capacity (terminator
// included) every conversion takes; the text is walked escape by escape, never by strlen.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Each returns false and leaves the text byte-for-byte unchanged when the result, with its
// terminator, would not fit in capacity bytes (or when the text's end, found escape by escape,
// does not lie inside those bytes); true otherwise.

// markup_greek, then markup_scripts(text, capacity, depth, 0, 256); both or neither are applied.
VT_API bool markup(char* text, size_t capacity, int depth);
// Greek names, anywhere and ignoring case: "alpha" gives glyph 256, "Alpha" or "ALPHA" 280,
// "pi" 271; "vardelta", "varzeta", "vartheta", "varphi", "varomega" give 304..308.
VT_API bool markup_greek(char* text, size_t capacity);
// Superscripts and subscripts up to depth levels of nesting, in text of size `size` (1/256 of the
// line, 256 at the top) raised by `raise` (1/256 of the line height). The operand is a run of
// letters, of digits or of glyph escapes, a {group}, or else the next character or escape.
VT_API bool markup_scripts(char* text, size_t capacity, int depth, int16_t raise, int16_t size);
// "#col=n#" (colour 0xRRGGBB) and "#tab=n#" (pen x in pixels), ignoring case; markup does not
// call it.
VT_API bool markup_codes(char* text, size_t capacity);

// The terminating zero of a text with escapes: 0x02 escapes are stepped over as three bytes and
// 0x05 escapes as six. The escapes must be whole.
VT_API const char* escape_end(const char* text);

VT_END_DECLS
