// Text of the current font placed in 3D: draw_text_mapped hands every glyph corner to a caller's
// mapping function (text on a tilted or curved surface), draw_text_scaled is its flat case,
// emit_text_3d lays text along two vectors, and text_width_lines measures for them. Positions are
// in line heights: a glyph w pixels wide advances w / cur_line_h, a tab exactly 1, a newline
// starts the next row. A glyph escape (0x02 h l, as the mark-up writes for Greek letters) draws
// glyph h x 256 + l; an escaped glyph the font lacks draws nothing and does not advance. Such a
// text ends at the first zero byte that is not an escape's payload. With no current font or a
// line height of 0 nothing is drawn and widths are 0.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Writes the 3D point and the colour (0xRRGGBB) of text position (column, row).
typedef void (*TextMapFn)(double column, double row, void* data, double* x, double* y, double* z,
                           int* colour);

typedef struct FlatPlacement FlatPlacement;
struct FlatPlacement {
  double x, y, scale;
  int colour;
};

// One GL_QUADS batch under the current matrices, blended by blend_mode, transparent texels not
// drawn; the texture, colour-buffer and enable state are restored afterwards.
VT_API void draw_text_mapped(const char* text, TextMapFn map, void* data);
// data is a FlatPlacement: (scale x column + x, scale x row + y, 0) in its colour.
VT_API void map_flat(double column, double row, void* data, double* x, double* y, double* z,
                     int* colour);
VT_API void draw_text_scaled(double x, double y, double scale, const char* text, int colour);
// Quads into the caller's open GL_QUADS batch, font texture bound by the caller; pen from the
// origin along across, lines along down. Sets no colour, texture or state.
VT_API void emit_text_3d(double x, double y, double z, const char* text, const double down[3],
                         const double across[3]);
// Sum of the glyph widths in line heights plus 1 per tab; newlines add nothing and reset nothing.
VT_API double text_width_lines(const char* text);

VT_END_DECLS
