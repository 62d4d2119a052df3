// The embedded font "caption": its records and the facts the player relies on (size, widths,
// heights, marker boxes, colours), that the generator still reproduces it byte for byte, and that
// text drawn with it lands on screen exactly as its glyph images (written to a PNG for a look:
// set VANTOREL_FONT_PNG to a path to keep it).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/text_draw.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

struct Record {
  int w, h;
  const unsigned char* image;
  int at(int x, int y) const { return image[y * w + x]; }
};

std::vector<Record> records() {
  std::vector<Record> out;
  size_t pos = 0;
  while (pos < CAPTION_FONT_SIZE) {
    Record r{caption_font_data[pos], caption_font_data[pos + 1], caption_font_data + pos + 2};
    pos += 2 + size_t(r.w) * r.h;
    out.push_back(r);
  }
  EXPECT_EQ(pos, size_t(CAPTION_FONT_SIZE)) << "the last record runs past the data";
  return out;
}

bool has_shape(int c) { return (c >= 33 && c <= 126) || c == 163 || c == 166 || c == 172; }
bool is_alnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

TEST(CaptionFont, HoldsExactly256Records) {
  EXPECT_EQ(CAPTION_FONT_SIZE, 19378u);
  EXPECT_EQ(sizeof caption_font_data, 19378u);
  EXPECT_EQ(records().size(), 256u);
}

TEST(CaptionFont, SizesOfTheGlyphs) {
  std::vector<Record> g = records();
  ASSERT_EQ(g.size(), 256u);
  int widest = 0, tallest = 0;
  for (const Record& r : g) {
    widest = std::max(widest, r.w);
    tallest = std::max(tallest, r.h);
  }
  EXPECT_EQ(widest, 20);
  EXPECT_EQ(tallest, 20);
  EXPECT_EQ(g['C'].w, 13);
  EXPECT_EQ(g['A'].w, 14);
  EXPECT_EQ(g[' '].w, 2);
  EXPECT_EQ(g[' '].h, 1);
  EXPECT_EQ(g['\t'].w, 16);
  EXPECT_EQ(g['\t'].h, 1);
  for (int c : {' ', '\t'})
    for (int i = 0; i < g[c].w; i++) EXPECT_EQ(g[c].image[i], 255);

  int alnum = 0, tall17 = 0;
  for (int c = 0; c < 256; c++) {
    if (!is_alnum(c)) continue;
    alnum++;
    tall17 += g[c].h == 17;
  }
  EXPECT_GT(tall17 * 4, alnum * 3) << "most letters and digits are 17 rows tall";
  for (int c : {'g', 'j', 'p', 'q', 'y', '(', ')', '[', ']', '{', '}'})
    EXPECT_TRUE(g[c].h == 19 || g[c].h == 20) << char(c) << " is " << g[c].h << " rows";

  const Record& hyphen = g['-'];
  ASSERT_EQ(hyphen.h, 11);
  for (int y = 0; y < hyphen.h; y++) {
    bool inked = false;
    for (int x = 0; x < hyphen.w; x++) inked |= hyphen.at(x, y) != 255;
    EXPECT_EQ(inked, y >= 8) << "row " << y;
  }
}

TEST(CaptionFont, ShapesInGreysAndMarkersInRed) {
  std::vector<Record> g = records();
  ASSERT_EQ(g.size(), 256u);
  for (int c = 0; c < 256; c++) {
    const Record& r = g[c];
    if (c == ' ' || c == '\t') continue;
    if (has_shape(c)) {
      bool inked = false;
      for (int i = 0; i < r.w * r.h; i++) {
        int v = r.image[i];
        EXPECT_TRUE(v == 255 || (v >= 16 && v <= 39)) << "code " << c << " index " << v;
        inked |= v != 255;
      }
      EXPECT_TRUE(inked) << "code " << c;
      continue;
    }
    ASSERT_EQ(r.w, 3) << "code " << c;
    ASSERT_EQ(r.h, 5) << "code " << c;
    bool uses_11 = false;
    for (int i = 0; i < 15; i++) {
      int v = r.image[i];
      EXPECT_TRUE(v == 12 || v == 4 || (c == 127 && v == 11)) << "code " << c;
      uses_11 |= v == 11;
      if (i < 3 || i >= 12 || i % 3 != 1) {
        EXPECT_EQ(v, 12) << "frame of code " << c;
      }
    }
    EXPECT_EQ(uses_11, c == 127);
  }
}

TEST(CaptionFont, GeneratorReproducesTheData) {
  const std::string tool = vt_test::bin_path("make_caption_font");
  const std::string ttf = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!vt_test::file_exists(tool) || !vt_test::file_exists(ttf))
    GTEST_SKIP() << "make_caption_font or DejaVu Sans not available";
  vt_test::TempDir dir;
  vt_test::RunResult r =
      vt_test::run_program({tool, ttf, dir.file("out.cpp"), "--greek", dir.file("greek.font")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(vt_test::read_file(dir.file("out.cpp")) ==
              vt_test::read_file(vt_test::source_path("text/caption_font_data.cpp")))
      << "text/caption_font_data.cpp differs from what tools/make_caption_font.cpp makes";
  // The Greek font file: the caption records, then glyphs 256..308.
  const std::string greek = vt_test::read_file(dir.file("greek.font"));
  EXPECT_TRUE(greek == vt_test::read_file(vt_test::source_path("assets/caption_greek.font")))
      << "assets/caption_greek.font differs from what tools/make_caption_font.cpp makes";
  ASSERT_GT(greek.size(), size_t(CAPTION_FONT_SIZE));
  EXPECT_EQ(greek.compare(0, CAPTION_FONT_SIZE,
                          std::string(reinterpret_cast<const char*>(caption_font_data), CAPTION_FONT_SIZE)),
            0);
}

// Grey of palette index v as the loader turns it into a texel.
int grey_of(int v) { return v == 255 ? 0 : int(255.9 * double(float(v - 16) / 23.0f)); }

TEST(CaptionFont, WhiteTextOnBlackShowsTheGlyphImages) {
  const int width = 760, height = 130;
  vt_test::GlContext gl(width, height);
  ASSERT_TRUE(gl.ok());
  screen_w = width;
  screen_h = height;
  cur_font = nullptr;
  font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
  ASSERT_NE(cur_font, nullptr);
  set_blend_mode(3);
  const char* lines[] = {
      "The quick brown fox jumps over the lazy dog. 0123456789",
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG! \xA3 \xA6 \xAC",
      "Frame 1234 of 5678 - (caption) [test] {x} @home #1 $5 50% a&b",
      "\"Hello,\" she said; 'yes': x+y=z <a> /b\\ |c| ^_` ~? *",
      "Markers for other codes: \x01\x7F\x80\xE9.",
  };
  for (int i = 0; i < 5; i++) font_print(10, 10 + 22 * i, 0, lines[i], 0xFFFFFF);
  std::vector<uint32_t> px = gl.pixels();

  vt_test::Image image;
  image.width = width;
  image.height = height;
  for (uint32_t p : px) {
    image.rgb.push_back(uint8_t(p >> 16));
    image.rgb.push_back(uint8_t(p >> 8));
    image.rgb.push_back(uint8_t(p));
  }
  vt_test::TempDir dir;
  const char* keep = getenv("VANTOREL_FONT_PNG");
  EXPECT_TRUE(vt_test::write_png(keep && *keep ? keep : dir.file("caption.png"), image));

  // The first glyph, T at (10, 10), appears texel for texel.
  std::vector<Record> g = records();
  const Record& t = g['T'];
  for (int y = 0; y < 20; y++)
    for (int x = 0; x < t.w; x++) {
      int want = y < t.h ? grey_of(t.at(x, y)) : 0;
      uint32_t got = px[size_t(10 + y) * width + size_t(10 + x)];
      EXPECT_NEAR(int(got & 0xFF), want, 1) << x << "," << y;
      EXPECT_EQ(got >> 16, got & 0xFF);  // grey
    }
  // The marker of code 1 shows in red on the last line.
  bool red = false;
  for (uint32_t p : px) red |= p == 0xFF0000;
  EXPECT_TRUE(red);
}

}  // namespace
