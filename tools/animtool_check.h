// animtool check: reads an .anim file to its end and finds the first thing in it that our encoder
// would never write (a code with no meaning, a block or record outside 2048x2048, a file that ends
// inside a frame, version 1 "records" that are text, damaged compressed data), with its byte
// offset and frame. Also copies a file's .anim bytes for compress and decompress. Prints nothing.
#pragma once

#include <cstdio>
#include <string>

#include "anim/anim_file.h"

struct CheckReport {
  std::string problem;    // empty when the file is sound
  long long offset = 0;   // of the problem, in the (decompressed) .anim bytes
  long frame = 0;         // the frame the problem is in, from 1
  long frames = 0;        // whole frames read
  int width = 0, height = 0;  // the extent: the smallest picture holding every pixel drawn
};

// Checks an AnimFile just opened for reading, reading it to its end.
CheckReport animtool_check(AnimFile* anim);

// Writes the .anim bytes of an AnimFile just opened for reading (header included, decompressed)
// to out. Returns "" or the reason it could not.
std::string animtool_copy_anim(AnimFile* anim, FILE* out);
