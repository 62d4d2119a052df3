// The benchmarks' common test content: what a screen recording of a game looks like. Five bouncing
// sprites, a stripe of the picture scrolling sideways and sparse noise scattered over everything,
// about 4.5% of the pixels a frame, written as a version 2 .anim of the given size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "anim/anim_file.h"
#include "anim/encode.h"

// Writes the frames to path (plain, or compressed with ANIM_GZIP/ANIM_ZSTD); ends the benchmark
// with a message when the file cannot be written. Returns path.
inline std::string bench_mixed_anim(const std::string& path, int width, int height, int frames,
                                    int compression = ANIM_PLAIN) {
  AnimFile rec = anim_writer_open_compressed(path.c_str(), 2, width, height, compression, 0);
  if (!rec.file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::vector<unsigned char> p(size_t(width) * height);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++)
      p[size_t(y) * width + x] = (unsigned char)(16 + ((x / 16 + y / 16) % 24));
  std::vector<unsigned char> background = p;
  uint32_t seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int f = 0; f < frames; f++) {
    // The sprites first give back the background they covered, then move on.
    for (int pass = 0; pass < 2; pass++)
      for (int s = 0; s < 5; s++) {
        int t = f - 1 + pass, span_x = width - 64, span_y = height - 64;
        if (t < 0) continue;
        int px = (s * 211 + t * (4 + s)) % (2 * span_x),
            py = (s * 89 + t * (3 + s % 2)) % (2 * span_y);
        if (px > span_x) px = 2 * span_x - px;
        if (py > span_y) py = 2 * span_y - py;
        for (int y = 0; y < 64; y++)
          for (int x = 0; x < 64; x++) {
            size_t i = size_t(py + y) * width + px + x;
            p[i] = pass ? (unsigned char)(64 + s * 16 + ((x ^ y) >> 2) % 16) : background[i];
          }
      }
    for (int y = 300; y < 308; y++)  // 2-pixel bands moving 2 pixels a frame: all of it changes
      for (int x = 0; x < width; x++)
        p[size_t(y) * width + x] = (unsigned char)(160 + ((x + 2 * f) / 2 + y) % 16);
    for (int k = 0; k < 300; k++) p[next() % p.size()] = (unsigned char)(next() % 256);
    anim_encode_indices(&rec, p.data(), width);
  }
  anim_close(rec);
  return path;
}
