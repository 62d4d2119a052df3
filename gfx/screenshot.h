// Screenshots as uncompressed 24-bit BMP files, optionally converted to PNG by the external
// "bmp2png" program, and the small pointer marker drawn at the mouse position in white over dark
// pictures and black over light ones.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Saves the region with top-left corner (x, y) in window pixels (y from the top) as a BMP file;
// with convert non-zero then runs "bmp2png -9 -E <name>". Nothing is written when the file or the
// pixel buffer cannot be had or the region is empty or negative.
VT_API void save_bmp(int x, int y, int w, int h, const char* name, int convert);
VT_API void screenshot_window(const char* name, int convert);  // the whole drawing area
// "screenshot%05d.bmp" numbered from the clock in 0.3 s steps, converted
VT_API void screenshot_auto(void);
// screenshot_auto into folder (empty: the current directory); the BMP's path goes to out.
VT_API void screenshot_auto_in(const char* folder, char* out, size_t size);

// The clock-derived screenshot name for clock reading t into out (at least 20 bytes).
VT_API void screenshot_name(double t, char* out, size_t size);

// Runs the converter on a file name, with no shell between (the name reaches it unchanged).
VT_API void bmp_convert(const char* name);

VT_API void draw_pointer(float grey);
// red in bits 0-7, green 8-15, blue 16-23 (as read into memory)
VT_API int is_dark(uint32_t pixel);
VT_API void mouse_marker(void);

VT_END_DECLS
