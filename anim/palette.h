// The fixed 256-colour ANIM palette, built by rule and never stored in a file, and what surrounds
// it: colour tables, the four-candidate quantiser used by the recorder, JASC-PAL export and the
// library's alternative 256-colour palette. Only anim_color touches OpenGL (palette_gl.cpp).
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Sets the current OpenGL colour (glColor3f) to palette entry index. Indices below 0 take the
// colour of the eight dark colours for their low three bits.
VT_API void anim_color(int index);

// Palette entry index (0..255) as fractions 0.0 to 1.0.
VT_API void anim_palette_entry(int index, float* red, float* green, float* blue);

// Fills three 256-entry arrays with the ANIM palette.
VT_API void anim_palette(float* red, float* green, float* blue);

// Fills 256 ints with 0xRRGGBB, each component truncated from 255.9 x fraction.
VT_API void anim_palette_rgb(int* rgb);

// The palette index chosen for a 0xRRGGBB colour among four candidates (dark, bright, grey ramp,
// colour cube); ties go to the earlier candidate.
VT_API int nearest_color(int rgb);

// Writes a JASC-PAL text file (lines end in CR LF). Returns 1 on success; 0 when the file cannot
// be created or written, in which case nothing is written through a failed stream.
VT_API int save_jasc_pal(const float* red, const float* green, const float* blue, const char* path);

// Fills three 256-entry arrays with the alternative palette (16 base colours, 16 greys, 96 hues,
// a 5x5x5 cube and three blacks).
VT_API void alt_palette(float* red, float* green, float* blue);

// nearest_color of count RGB byte triples, into count indices. Recent colours are remembered in a
// small cache, so repeated colours cost little. Single-threaded, like nearest_color.
VT_API void anim_quantise_row(const unsigned char* rgb, int count, unsigned char* out);

VT_END_DECLS
