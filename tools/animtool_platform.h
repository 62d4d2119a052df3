// animtool's platform services: PNG files read and written as 8-bit RGB, and a finished file
// moved over its destination. tools/animtool_posix.cpp does this with libpng and rename;
// tools/animtool_win32.cpp with the Windows Imaging Component and MoveFileEx.
#pragma once

#include <string>
#include <vector>

struct RgbImage {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

// Writes rows of 8-bit RGB; returns an empty string or the reason of the failure.
std::string write_rgb_png(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb);

// Reads any PNG as 8-bit RGB (palette and grey expanded, 16-bit reduced, alpha dropped), at most
// 16384 pixels per side; returns an empty string or the reason of the failure.
std::string read_rgb_png(const std::string& path, RgbImage* out);

// Moves from over to, replacing an existing file; false with errno set when it could not.
bool animtool_replace_file(const std::string& from, const std::string& to);
