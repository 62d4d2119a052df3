// Font variants: specifier strings such as "caption:size=24px" or "caption:bold:italic" parsed
// into descriptors, the nearest existing font found by score or a new variant derived from the
// loaded font (sharing its atlas), selection of the current font, renaming, copying and deletion.
#pragma once

#include "font.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Descriptor named by a specifier: "name" then ":"-separated style words applied left to right.
// An unknown name falls back to the current font's base (or a random font, or a placeholder).
VT_API FontDesc font_parse_spec(const char* spec);
// How well a candidate serves a request: 1 for identical, above 0 good enough, -1000 other base.
VT_API float font_score(FontDesc request, FontDesc candidate);
// The best-scoring font above 0 (ties to the higher index), or a new variant named after its
// loaded font with ":width=%g", ":height=%g", ":boldness=%g", ":skew=%g" suffixes.
VT_API Font* font_variant(FontDesc request);
VT_API void font_use_desc(FontDesc desc);  // makes the nearest variant current; cur_desc = desc
VT_API void font_use(const char* spec);    // nothing when the current font bears the name already
VT_API Font* font_get(const char* spec);   // the variant, without selecting it
VT_API Font* font_clone(Font* f);          // registered copy sharing the texture
VT_API int font_rename(Font* f, const char* name);
VT_API int font_get_and_name(const char* spec, const char* name);
VT_API int font_get_copy(const char* spec, const char* name);
VT_API int font_exists(const char* spec);  // 1 when some font bears the specifier's name part
// Deletes the font, and first every font that uses it as base, so that no font is ever left
// drawing with a deleted base. The atlas texture goes with the last font using it. When the
// current font goes, a remaining font chosen at random becomes current.
VT_API void font_delete(Font* f);
VT_API void font_delete_family(Font* f);  // every font whose base is f, f included
VT_API void font_delete_spec(const char* spec);
VT_API void font_delete_family_spec(const char* spec);
// a 1x1 stand-in when a specifier finds no font at all
VT_API Font* font_placeholder(const char* name);
VT_API int desc_equal(FontDesc a, FontDesc b);

VT_END_DECLS
