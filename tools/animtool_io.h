// animtool's files: PNG pictures read as 8-bit RGB (from a file or from bytes in memory) and
// written, and outputs replaced only once they are complete: each is written to a temporary file
// of its own, made beside it, and renamed over it at the end.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct RgbImage {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // rows top first, 3 bytes a pixel
};

// Reads any PNG as 8-bit RGB (palette and grey expanded, 16-bit reduced, alpha dropped). Returns
// "" or the reason. A picture wider or taller than max_side is refused from its header, before a
// single row is decoded; width and height then hold its size.
std::string png_read_rgb_file(const std::string& path, int max_side, RgbImage* out);
std::string png_read_rgb_bytes(const unsigned char* data, size_t size, int max_side,
                               RgbImage* out);

// Writes rows of 8-bit RGB as a PNG; returns "" or the reason.
std::string png_write_rgb(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb);

// Makes a new empty file beside target under a name no other file has ("" with *error set when it
// cannot); an existing file is never taken over.
std::string temp_beside(const std::string& target, int* error);

// Writes target through a temporary beside it: write fills the file it is given and returns "" or
// the reason of a failure. Only a complete file replaces target; otherwise the temporary is
// removed and target is left as it was. Returns "" or the reason.
std::string replace_file(const std::string& target,
                         const std::function<std::string(const std::string& path)>& write);
