// Frame decoding into a sink: every version 2 code and block kind, the moves, skipped bytes, files
// cut off inside a code, version 1 frames ending where x decreases, and the end of the file being
// seen one call late.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "util/test_util.h"

namespace {

struct Px {
  int x, y, index;
  bool operator==(const Px& o) const { return x == o.x && y == o.y && index == o.index; }
};
std::ostream& operator<<(std::ostream& os, const Px& p) {
  return os << "(" << p.x << "," << p.y << ":" << p.index << ")";
}

// Every decoded pixel in the order the decoder delivers it (blocks row by row).
struct Recorder {
  std::vector<Px> pixels;
  AnimSink sink() {
    AnimSink s = {};
    s.user = this;
    s.pixel = [](void* u, int x, int y, int i) {
      static_cast<Recorder*>(u)->pixels.push_back({x, y, i});
    };
    s.block = [](void* u, int x, int y, const unsigned char* idx) {
      for (int k = 0; k < 64; k++)
        static_cast<Recorder*>(u)->pixels.push_back({x + k % 8, y + k / 8, idx[k]});
    };
    return s;
  }
};

struct Reader {
  vt_test::TempDir dir;
  AnimFile anim;
  Recorder rec;
  explicit Reader(const std::string& bytes) {
    std::string path = dir.file("t.anim");
    vt_test::write_file(path, bytes);
    anim = anim_open(path.c_str());
  }
  ~Reader() { anim_close(anim); }
  int next() {
    rec.pixels.clear();
    AnimSink s = rec.sink();
    return anim_decode_frame(&anim, &s);
  }
};

std::string v2(std::initializer_list<int> bytes) {
  std::string s("ANIM2\0", 6);
  for (int b : bytes) s.push_back(char(b));
  return s;
}

std::vector<Px> block_of(int bx, int by, int index) {
  std::vector<Px> out;
  for (int k = 0; k < 64; k++) out.push_back({bx * 8 + k % 8, by * 8 + k / 8, index});
  return out;
}

TEST(AnimDecode, EmptyFrameAndTheLateEnd) {
  Reader r(v2({254}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_TRUE(r.rec.pixels.empty());
  EXPECT_EQ(r.anim.frame, 1);
  EXPECT_EQ(r.next(), 1);  // reads nothing yet still counts
  EXPECT_EQ(r.anim.frame, 2);
  EXPECT_EQ(r.next(), 0);
  EXPECT_EQ(r.anim.frame, 2);
  anim_rewind(&r.anim);
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.anim.frame, 1);
}

TEST(AnimDecode, EmptyVersionOneFile) {
  Reader r("");
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.anim.frame, 1);
  EXPECT_EQ(r.next(), 0);
}

TEST(AnimDecode, SinglePoints) {
  Reader r(v2({0x3F, 0xFF, 0xFF, 7, 0x00, 0x00, 0x00, 9, 0x01, 0x2B, 0x05, 200, 254}));
  EXPECT_EQ(r.next(), 1);
  // 0x01 0x2B 0x05: x = 32 + 5 = 37, y = 3 * 256 + 5 = 773.
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{2047, 2047, 7}, {0, 0, 9}, {37, 773, 200}}));
}

TEST(AnimDecode, BlockMoves) {
  auto after_first = [](int code) {
    Reader r(v2({0xA0, 2, 3, 15, code, 4, 254}));
    EXPECT_EQ(r.next(), 1);
    EXPECT_EQ(std::vector<Px>(r.rec.pixels.begin(), r.rec.pixels.begin() + 64), block_of(2, 3, 15));
    return std::vector<Px>(r.rec.pixels.begin() + 64, r.rec.pixels.end());
  };
  EXPECT_EQ(after_first(0xA1), block_of(2, 2, 4));
  EXPECT_EQ(after_first(0xA5), block_of(2, -2, 4));
  EXPECT_EQ(after_first(0xA6), block_of(1, 7, 4));
  EXPECT_EQ(after_first(0xAF), block_of(1, -2, 4));
  // A single point moves the cursor to its own block: (100, 50) is block (12, 6).
  Reader r(v2({0x03, 0x20 | 0, 50, 1, 0xA1, 5, 254}));
  r.next();
  ASSERT_EQ(r.rec.pixels.size(), 65u);
  EXPECT_EQ(std::vector<Px>(r.rec.pixels.begin() + 1, r.rec.pixels.end()), block_of(12, 5, 5));
}

TEST(AnimDecode, PaletteBlockKinds) {
  // Kind 7: row byte 0x80 gives column 0 the second index; the other rows are all the first.
  {
    Reader r(v2({0x70, 0, 0, 3, 9, 0x80, 0, 0, 0, 0, 0, 0, 0xFF, 254}));
    r.next();
    ASSERT_EQ(r.rec.pixels.size(), 64u);
    for (int k = 0; k < 64; k++) {
      int expected = (k < 8 && k % 8 == 0) || k >= 56 ? 9 : 3;
      EXPECT_EQ(r.rec.pixels[k].index, expected) << k;
    }
  }
  // Kind 6: 0x1B = slots 0, 1, 2, 3; 0xE4 = 3, 2, 1, 0.
  {
    std::initializer_list<int> ops = {0x60, 1, 1, 10, 20, 30, 40, 0x1B, 0xE4};
    std::string bytes = v2(ops);
    bytes.append(14, '\0');
    bytes.push_back(char(254));
    Reader r(bytes);
    r.next();
    ASSERT_EQ(r.rec.pixels.size(), 64u);
    const int row0[8] = {10, 20, 30, 40, 40, 30, 20, 10};
    for (int c = 0; c < 8; c++) EXPECT_EQ(r.rec.pixels[c], (Px{8 + c, 8, row0[c]}));
    EXPECT_EQ(r.rec.pixels[63].index, 10);
  }
  // Kind 5: high nibble is the left pixel.
  {
    std::string bytes = v2({0x50, 0, 0});
    for (int i = 0; i < 16; i++) bytes.push_back(char(100 + i));
    for (int i = 0; i < 32; i++) bytes.push_back(char(((2 * i) % 16) << 4 | ((2 * i + 1) % 16)));
    bytes.push_back(char(254));
    Reader r(bytes);
    r.next();
    ASSERT_EQ(r.rec.pixels.size(), 64u);
    for (int k = 0; k < 64; k++) EXPECT_EQ(r.rec.pixels[k].index, 100 + k % 16) << k;
  }
  // Kind 8: one continuous most-significant-first stream of 3-bit slots, values straddle bytes.
  {
    std::string bytes = v2({0x80, 0, 0});
    for (int i = 0; i < 8; i++) bytes.push_back(char(50 + i));
    for (int g = 0; g < 8; g++) bytes += "\x05\x39\x77";  // 0 1 2 3 4 5 6 7
    bytes.push_back(char(254));
    Reader r(bytes);
    r.next();
    ASSERT_EQ(r.rec.pixels.size(), 64u);
    for (int k = 0; k < 64; k++) EXPECT_EQ(r.rec.pixels[k].index, 50 + k % 8) << k;
    EXPECT_EQ(r.next(), 1);
    EXPECT_EQ(r.next(), 0);  // exactly 24 packed bytes were consumed
  }
  // Kind 4: 64 raw indices, row 0 first.
  {
    std::string bytes = v2({0x40, 1, 0});
    for (int i = 0; i < 64; i++) bytes.push_back(char(i * 3));
    bytes.push_back(char(254));
    Reader r(bytes);
    r.next();
    ASSERT_EQ(r.rec.pixels.size(), 64u);
    for (int k = 0; k < 64; k++) EXPECT_EQ(r.rec.pixels[k], (Px{8 + k % 8, k / 8, k * 3}));
  }
}

TEST(AnimDecode, SparseBlocksAndSkippedBytes) {
  // Kind 9: position byte bits 5..3 column, 2..0 row, 7..6 ignored; n = 0 takes one byte.
  Reader r(
      v2({0x90, 1, 1, 2, 0xC0 | (3 << 3) | 5, 77, 0x07, 78, 0x91, 0, 0xC3, 0x00, 0, 0, 6, 254}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{11, 13, 77}, {8, 15, 78}, {0, 0, 6}}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.next(), 0);
}

TEST(AnimDecode, MeaninglessBytesAreSkipped) {
  Reader r(v2({0xB0, 0xC3, 0xFD, 0xFF, 0x00, 0, 1, 2, 254, 0xFF, 254}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{0, 1, 2}}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_TRUE(r.rec.pixels.empty());
  EXPECT_EQ(r.anim.frame, 2);
}

TEST(AnimDecode, FrameCutOffInsideACodeDrawsNothingOfIt) {
  const std::vector<std::string> cut = {
      v2({0x00, 0, 0, 3, 0x3F, 0xFF}),           // single point missing its index
      v2({0x00, 0, 0, 3, 0xA0, 2}),              // position cut
      v2({0x00, 0, 0, 3, 0xA0, 2, 3}),           // kind 10 without its index
      v2({0x00, 0, 0, 3, 0x40, 2, 3, 1, 2, 3}),  // kind 4 with 3 of 64
      v2({0x00, 0, 0, 3, 0x92, 2, 3, 9, 1}),     // kind 9 with half its pairs
      v2({0x00, 0, 0, 3, 0x90, 2, 3}),           // kind 9 without its count
      v2({0x00, 0, 0, 3, 0x81, 1, 2, 3, 4, 5}),  // kind 8 with its palette cut
  };
  for (const std::string& bytes : cut) {
    Reader r(bytes);
    EXPECT_EQ(r.next(), 1);
    EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{0, 0, 3}})) << bytes.size();
    EXPECT_EQ(r.next(), 0);
  }
}

std::string v1_record(int x, int y, int index) {
  uint32_t word = (uint32_t(x) & 0xFFF) << 20 | uint32_t(y) << 8 | uint32_t(index);
  std::string s;
  for (int i = 0; i < 4; i++) s.push_back(char(word >> (8 * i)));
  return s;
}

TEST(AnimDecode, VersionOneFramesEndWhereXDecreases) {
  std::string bytes = v1_record(5, 1, 10) + v1_record(5, 2, 11) + v1_record(7, 0, 12) +
                      v1_record(2, 9, 13) + v1_record(3, 3, 14) + v1_record(1, 1, 15) + "\x01\x02";
  Reader r(bytes);
  EXPECT_EQ(r.anim.version, 1);
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{5, 1, 10}, {5, 2, 11}, {7, 0, 12}, {2, 9, 13}}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{3, 3, 14}, {1, 1, 15}}));
  EXPECT_EQ(r.next(), 1);  // only two bytes left: a failed read, nothing drawn
  EXPECT_TRUE(r.rec.pixels.empty());
  EXPECT_EQ(r.next(), 0);
  EXPECT_EQ(r.anim.frame, 3);
}

TEST(AnimDecode, VersionOneNegativeX) {
  // Twelve top bits all ones: x = -1, which is below the starting x of 0 and ends the frame.
  Reader r(std::string("\x00\x00\xF0\xFF", 4) + v1_record(4, 4, 4));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{-1, 0, 0}}));
  EXPECT_EQ(r.next(), 1);
  EXPECT_EQ(r.rec.pixels, (std::vector<Px>{{4, 4, 4}}));  // ended by the failed read
  EXPECT_EQ(r.next(), 0);
}

TEST(AnimDecode, UnopenedFileIsAtItsEnd) {
  AnimFile a = anim_open("/nonexistent/dir/x.anim");
  Recorder rec;
  AnimSink s = rec.sink();
  EXPECT_EQ(anim_decode_frame(&a, &s), 0);
  EXPECT_EQ(a.frame, 0);
  anim_close(a);
}

TEST(AnimDecode, CanvasKeepsOnlyPixelsInside) {
  Reader r(v2({0xA0, 0, 0, 5, 0xA0, 1, 1, 6, 0x3F, 0xFF, 0xFF, 7, 0x00, 0x28, 2, 8, 254}));
  std::vector<unsigned char> pixels(10 * 12, 0);
  AnimCanvas canvas = {10, 12, pixels.data()};
  AnimSink s = anim_canvas_sink(&canvas);
  EXPECT_EQ(anim_decode_frame(&r.anim, &s), 1);
  for (int y = 0; y < 12; y++)
    for (int x = 0; x < 10; x++) {
      int expected = x < 8 && y < 8 ? 5 : (x >= 8 && y >= 8 ? 6 : 0);
      if (x == 5 && y == 2) expected = 8;
      EXPECT_EQ(pixels[y * 10 + x], expected) << x << "," << y;
    }
}

// Blocks and fills at every place on and around canvases narrower and wider than a block land
// exactly where single pixels would.
TEST(AnimDecode, CanvasClipsBlocksOnEveryEdge) {
  unsigned char index[64];
  for (int k = 0; k < 64; k++) index[k] = (unsigned char)(k + 1);
  for (int w : {3, 8, 13}) {
    const int h = 21 - w;
    for (int y = -9; y <= h + 1; y++)
      for (int x = -9; x <= w + 1; x++) {
        std::vector<unsigned char> got(w * h, 0), filled(w * h, 0), want(w * h, 0);
        AnimCanvas c = {w, h, got.data()}, f = {w, h, filled.data()}, ref = {w, h, want.data()};
        AnimSink sink = anim_canvas_sink(&c), fill = anim_canvas_sink(&f);
        AnimSink one = anim_canvas_sink(&ref);
        sink.block(sink.user, x, y, index);
        fill.fill(fill.user, x, y, 200);
        for (int k = 0; k < 64; k++) one.pixel(one.user, x + k % 8, y + k / 8, index[k]);
        ASSERT_EQ(got, want) << w << "x" << h << " block at " << x << "," << y;
        for (unsigned char& v : want) v = v ? 200 : 0;
        ASSERT_EQ(filled, want) << w << "x" << h << " fill at " << x << "," << y;
      }
  }
}

}  // namespace
