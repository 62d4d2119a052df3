// BMP to PNG conversion, the core of bmp2png: reads the headers of a 24-bit uncompressed BMP
// (bottom-up or top-down rows, padded to 4 bytes), checks them against the real file size, and
// streams the rows into an 8-bit RGB PNG. No file names or folders here: the caller opens, names
// and renames, so the same code runs under the fuzzer on memory streams.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct Bmp {
  long width = 0, height = 0;  // pixels, both at least 1
  bool top_down = false;       // rows stored top row first (negative height in the header)
  long data_offset = 0;        // where the first stored row starts
  long stride = 0;             // bytes per stored row, a multiple of 4
};

// Reads the headers from the start of f, a file of file_size bytes. Returns an empty string, or
// the reason the file cannot be converted (not a BMP, another kind of BMP, cut short).
std::string bmp_read_header(FILE* f, long file_size, Bmp* bmp);

// Reads picture row y (0 the top) of bmp from f into rgb (3 * width bytes, red-green-blue), with
// row as scratch space. Returns an empty string, or the reason when the file is cut short.
std::string bmp_read_rgb_row(FILE* f, const Bmp& bmp, long y, std::vector<unsigned char>* row,
                             unsigned char* rgb);

// Writes the pixels of bmp, read from f, to out as a PNG at zlib level 0..9. Returns an empty
// string or the reason of the failure; out then holds an incomplete PNG.
std::string bmp_write_png(FILE* f, const Bmp& bmp, int level, FILE* out);
