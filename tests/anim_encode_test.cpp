// Frame encoding from index pictures: the exact bytes of the documented cases (unchanged frames,
// the white 16x16 first frame, cost ties, two-colour blocks), and round trips through the decoder
// for random pictures of both versions, including sizes that are not multiples of 8.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/encode.h"
#include "util/test_util.h"

namespace {

using Picture = std::vector<unsigned char>;

// Encodes the frames and returns the file's bytes.
std::string encode(int version, int width, int height, const std::vector<Picture>& frames) {
  vt_test::TempDir dir;
  std::string path = dir.file("e.anim");
  AnimFile w = anim_writer_open_size(path.c_str(), version, width, height);
  EXPECT_NE(w.file, nullptr);
  for (const Picture& p : frames) anim_encode_indices(&w, p.data(), width);
  EXPECT_EQ(w.frame, int(frames.size()));
  anim_close(w);
  return vt_test::read_file(path);
}

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(char(b));
  return s;
}
const std::string header("ANIM2\0", 6);

TEST(AnimEncode, UnchangedFramesWriteOnlyTheEnd) {
  Picture black(16 * 8, 0);
  EXPECT_EQ(encode(2, 16, 8, {black, black}), header + bytes({254, 254}));
  EXPECT_EQ(encode(1, 16, 8, {black, black}), "");
  Picture grey(16 * 8, 7);
  std::string v1 = encode(1, 16, 8, {grey, grey});
  EXPECT_EQ(v1.size(), 16u * 8 * 4);  // every pixel once, nothing for the repeat
  // Column by column, top to bottom: x * 2^20 + y * 256 + index, little-endian.
  EXPECT_EQ(v1.substr(0, 8), bytes({7, 0, 0, 0, 7, 1, 0, 0}));
  EXPECT_EQ(v1.substr(8 * 4, 4), bytes({7, 0, 0x10, 0}));
}

TEST(AnimEncode, WhiteFirstFrameWalksRightColumnBottomUp) {
  Picture white(16 * 16, 15);
  EXPECT_EQ(encode(2, 16, 16, {white}),
            header + bytes({0xA0, 1, 1, 15, 0xA1, 15, 0xA9, 15, 0xA1, 15, 254}));
}

TEST(AnimEncode, CostTiesGoToPointsThenSparse) {
  // A block that becomes one colour by one pixel, first in the frame: point 4 = palette 4 <
  // sparse 6.
  Picture almost(8 * 8, 15), full(8 * 8, 15);
  almost[4 * 8 + 3] = 0;
  std::string out = encode(2, 8, 8, {almost, full});
  std::string second = out.substr(out.find(char(254)) + 1);
  EXPECT_EQ(second, bytes({0x00, 3 << 3, 4, 15, 254}));

  // The same block right after the block below it: move 1, palette 2 < sparse 4 = points 4.
  Picture a(8 * 16, 0), b(8 * 16, 9);
  for (int i = 0; i < 64; i++) a[i] = b[i] = 15;
  a[4 * 8 + 3] = 0;
  out = encode(2, 8, 16, {a, b});
  second = out.substr(out.find(char(254)) + 1);
  EXPECT_EQ(second, bytes({0xA0, 0, 1, 9, 0xA1, 15, 254}));

  // One changed pixel that leaves two colours is always a single point.
  Picture two = full;
  two[0] = 3;
  out = encode(2, 8, 8, {full, two});
  second = out.substr(out.find(char(254)) + 1);
  EXPECT_EQ(second, bytes({0x00, 0, 0, 3, 254}));

  // Two changed pixels with an absolute position: points 8 = sparse 8 < palette (kind 7: 13).
  Picture three = two;
  three[63] = 3;
  out = encode(2, 8, 8, {full, three});
  second = out.substr(out.find(char(254)) + 1);
  EXPECT_EQ(second, bytes({0x00, 7 << 3 | 0, 7, 3, 0x00, 0, 0, 3, 254}));

  // Three changed pixels: points 12 > sparse 10 < kind 7 at 13, listed by column then row from 7.
  Picture four = three;
  four[8 + 5] = 3;
  out = encode(2, 8, 8, {full, four});
  second = out.substr(out.find(char(254)) + 1);
  EXPECT_EQ(second, bytes({0x90, 0, 0, 3, 7 * 8 + 7, 3, 5 * 8 + 1, 3, 0, 3, 254}));
}

TEST(AnimEncode, TwoColourBlocksUseTheLowerIndexForZeroBits) {
  Picture p(8 * 8, 20);
  for (int r = 0; r < 8; r++) p[r * 8] = 10;  // column 0 is the lower index
  p[0] = 20;                                  // except the top-left pixel
  std::string out = encode(2, 8, 8, {p});
  EXPECT_EQ(out, header + bytes({0x70, 0, 0, 10, 20, 0xFF, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F,
                                 254}));
}

TEST(AnimEncode, PaletteKindsByColourCount) {
  auto first_code = [](int colours) {
    Picture p(64);
    for (int i = 0; i < 64; i++) p[i] = (unsigned char)(100 + i % colours);
    std::string out = encode(2, 8, 8, {p});
    return std::make_pair(int((unsigned char)out[6]), out.size() - 6 - 1);
  };
  EXPECT_EQ(first_code(1), std::make_pair(0xA0, size_t(4)));
  EXPECT_EQ(first_code(3), std::make_pair(0x60, size_t(23)));
  EXPECT_EQ(first_code(4), std::make_pair(0x60, size_t(23)));
  EXPECT_EQ(first_code(5), std::make_pair(0x80, size_t(35)));
  EXPECT_EQ(first_code(8), std::make_pair(0x80, size_t(35)));
  EXPECT_EQ(first_code(9), std::make_pair(0x50, size_t(51)));
  EXPECT_EQ(first_code(16), std::make_pair(0x50, size_t(51)));
  EXPECT_EQ(first_code(17), std::make_pair(0x40, size_t(67)));
  // The local palette is ascending and zero-padded: three colours 30, 10, 20 give 10 20 30 0.
  Picture p(64);
  for (int i = 0; i < 64; i++) p[i] = (unsigned char)(i % 3 == 0 ? 30 : i % 3 == 1 ? 10 : 20);
  std::string out = encode(2, 8, 8, {p});
  EXPECT_EQ(out.substr(9, 5), bytes({10, 20, 30, 0, 0x86}));  // row 0 starts 30 10 20 30 = 2 0 1 2
}

// Pictures with solid areas, few-colour patches, noise and small edits, so that every encoding
// appears.
std::vector<Picture> random_frames(std::mt19937& rng, int width, int height, int count) {
  std::vector<Picture> frames;
  Picture p(size_t(width) * height, 0);
  for (int f = 0; f < count; f++) {
    int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; e++) {
      int x0 = int(rng() % width), y0 = int(rng() % height);
      int w = 1 + int(rng() % width), h = 1 + int(rng() % height);
      int mode = int(rng() % 4), colours = 1 + int(rng() % 40);
      unsigned char base = (unsigned char)(rng() % 256);
      for (int y = y0; y < y0 + h && y < height; y++)
        for (int x = x0; x < x0 + w && x < width; x++) {
          unsigned char& px = p[size_t(y) * width + x];
          if (mode == 0)
            px = base;
          else if (mode == 1)
            px = (unsigned char)(base + rng() % colours);
          else if (mode == 2) {
            if (rng() % 50 == 0) px = (unsigned char)rng();
          } else
            px = (unsigned char)rng();
        }
    }
    frames.push_back(p);
  }
  return frames;
}

void check_round_trip(int version, int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Picture> frames = random_frames(rng, width, height, 12);
  vt_test::TempDir dir;
  std::string path = dir.file("r.anim");
  vt_test::write_file(path, encode(version, width, height, frames));
  AnimFile r = anim_open(path.c_str());
  ASSERT_EQ(r.version, version);
  Picture canvas_pixels(size_t(width) * height, 0);
  AnimCanvas canvas = {width, height, canvas_pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  if (version == 2) {
    for (const Picture& expected : frames) {
      ASSERT_EQ(anim_decode_frame(&r, &sink), 1);
      ASSERT_EQ(canvas_pixels, expected) << width << "x" << height << " frame " << r.frame;
    }
    EXPECT_EQ(anim_decode_frame(&r, &sink), 1);
    EXPECT_EQ(anim_decode_frame(&r, &sink), 0);
  } else {
    // Version 1 frames may merge when read back; the final picture is what must match.
    while (anim_decode_frame(&r, &sink)) {
    }
    EXPECT_EQ(canvas_pixels, frames.back()) << width << "x" << height;
  }
  anim_close(r);
}

TEST(AnimEncode, RoundTripsBothVersions) {
  const int sizes[][2] = {{64, 48}, {8, 8}, {13, 21}, {1, 1}, {7, 9}, {33, 5}, {120, 64}};
  unsigned seed = 1;
  for (const auto& s : sizes)
    for (int version = 1; version <= 2; version++) check_round_trip(version, s[0], s[1], seed++);
}

TEST(AnimEncode, PixelsPastTheEdgeAreNeverWritten) {
  // 10 x 10: the right and bottom blocks hang over the edge. Past-edge pixels are no part of
  // single points or sparse lists, and a full block copies its edge pixels outward.
  Picture p(100, 0);
  p[9 * 10 + 9] = 12;  // bottom-right corner alone in its block
  std::string out = encode(2, 10, 10, {p});
  EXPECT_EQ(out, header + bytes({0x00, 9 << 3 | 0, 9, 12, 254}));
  Picture q(100, 200);
  out = encode(2, 10, 10, {q});
  EXPECT_EQ(out, header + bytes({0xA0, 1, 1, 200, 0xA1, 200, 0xA9, 200, 0xA1, 200, 254}));
}

TEST(AnimEncode, LargestSizeRoundTrips) {
  const int w = 2048, h = 16;
  Picture p(size_t(w) * h);
  for (size_t i = 0; i < p.size(); i++) p[i] = (unsigned char)(i * 7 / 5);
  p[size_t(h - 1) * w + w - 1] = 99;
  for (int version = 1; version <= 2; version++) {
    vt_test::TempDir dir;
    std::string path = dir.file("big.anim");
    vt_test::write_file(path, encode(version, w, h, {p}));
    AnimFile r = anim_open(path.c_str());
    Picture got(p.size(), 0);
    AnimCanvas canvas = {w, h, got.data()};
    AnimSink sink = anim_canvas_sink(&canvas);
    while (anim_decode_frame(&r, &sink)) {
    }
    anim_close(r);
    EXPECT_EQ(got, p) << "version " << version;
  }
}

}  // namespace
