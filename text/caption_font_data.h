// The embedded font "caption": glyph records for codes 0..255 in the font data format that
// font_load_mem reads, rendered from DejaVu Sans by tools/make_caption_font.cpp.
#pragma once

constexpr unsigned CAPTION_FONT_SIZE = 19378;
extern const unsigned char caption_font_data[CAPTION_FONT_SIZE];
