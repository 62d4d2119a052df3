// Fuzz target for the opaque RGB reader and writer that other languages use: any bytes as a file,
// scanned for its extent and frame count, painted frame by frame onto a small picture twice (the
// second time after a rewind) with the same results; then the same bytes as RGB pictures written
// and read back, each pixel the palette colour nearest to the one given.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "anim/palette.h"
#include "anim/rgb_frames.h"
#include "fuzz_temp.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr int kSide = 40;  // larger pictures cost time, not coverage

void read_back(const std::string& path, size_t size) {
  AnimRgbReader* r = anim_rgb_reader_open(path.c_str());
  check(r != nullptr);
  int w = -1, h = -1;
  long frames = -1;
  long long bytes = -1;
  bool animation = anim_rgb_reader_scan(r, &w, &h, &frames, &bytes);
  check(w >= 0 && h >= 0 && frames >= 0 && frames <= long(size) + 1 && bytes == (long long)size);
  check(animation == (w <= 2048 && h <= 2048));
  auto clamp = [](int v) { return v < 1 ? 1 : v > kSide ? kSide : v; };
  check(anim_rgb_reader_set_size(r, clamp(w), clamp(h)));
  static std::vector<unsigned char> first, again;
  first.assign(size_t(kSide) * kSide * 3, 0);
  again.assign(first.size(), 0);
  long n = 0;
  while (anim_rgb_reader_next(r, first.data())) {
    long pixels = -1, used = -1;
    int box[4];
    anim_rgb_reader_frame_info(r, &pixels, &used, box);
    check(pixels >= 0 && used >= 0);
    check(pixels ? box[2] >= box[0] && box[3] >= box[1] : box[0] == -1 && box[2] == -1);
    check(++n <= frames);
  }
  check(n == frames);
  check(anim_rgb_reader_rewind(r));
  while (anim_rgb_reader_next(r, again.data())) n--;
  check(n == 0 && first == again);
  anim_rgb_reader_close(r);
}

void write_and_read(const std::string& path, const uint8_t* data, size_t size) {
  const int w = 7, h = 3;  // not a multiple of 8: the partial blocks are exercised
  const size_t frame = size_t(w) * h * 3;
  if (size < frame) return;
  AnimRgbWriter* out = anim_rgb_writer_open(path.c_str(), 1 + int(data[0] & 1), w, h);
  check(out != nullptr);
  size_t count = size / frame;
  for (size_t k = 0; k < count; k++) check(anim_rgb_writer_add(out, data + k * frame, w * 3));
  check(anim_rgb_writer_frames(out) == int(count));
  check(anim_rgb_writer_close(out));
  AnimRgbReader* r = anim_rgb_reader_open(path.c_str());
  check(r && anim_rgb_reader_set_size(r, w, h));
  std::vector<unsigned char> rgb(frame);
  while (anim_rgb_reader_next(r, rgb.data())) {
  }
  int table[256];
  anim_palette_rgb(table);
  const uint8_t* last = data + (count - 1) * frame;
  for (size_t i = 0; i < size_t(w) * h; i++) {
    int c = table[nearest_color(last[3 * i] << 16 | last[3 * i + 1] << 8 | last[3 * i + 2])];
    check(rgb[3 * i] == (c >> 16 & 255) && rgb[3 * i + 1] == (c >> 8 & 255) &&
          rgb[3 * i + 2] == (c & 255));
  }
  anim_rgb_reader_close(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  static const std::string path = fuzz_temp_path("rgb-frames");
  FILE* f = std::fopen(path.c_str(), "wb");
  check(f != nullptr);
  check(std::fwrite(data, 1, size, f) == size);
  std::fclose(f);
  read_back(path, size);
  write_and_read(path, data, size);
  std::remove(path.c_str());
  return 0;
}
