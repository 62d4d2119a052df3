// Text drawing and measuring: advances and letter spacing, widths, fitting, line feeds, wrapping,
// escapes (colour, pen position, size and raise, glyphs), blend modes, the GL state kept, and
// hostile texts of known length that end in cut-off escapes.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"
#include "util/gl_context.h"

namespace {

constexpr int W = 320, H = 120;

class TextDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = W;
    screen_h = H;
    font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
    caption = cur_font;
    ASSERT_NE(caption, nullptr);
    set_blend_mode(3);
    clear();
  }
  void TearDown() override {
    while (fonts && font_list.count > 0) font_delete(fonts[0]);
    set_blend_mode(3);
  }
  void clear() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  std::vector<uint32_t> picture() { return gl.pixels(); }
  // The first and last rows holding any light pixel, or -1.
  int top_row() {
    std::vector<uint32_t> p = picture();
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++)
        if (p[size_t(y) * W + x] & 0x808080) return y;
    return -1;
  }
  vt_test::GlContext gl{W, H};
  Font* caption = nullptr;
};

// Draws with both calls and compares the pictures.
#define EXPECT_SAME_PICTURE(draw_a, draw_b) \
  do {                                      \
    clear();                                \
    draw_a;                                 \
    std::vector<uint32_t> a_ = picture();   \
    clear();                                \
    draw_b;                                 \
    EXPECT_TRUE(a_ == picture());           \
  } while (0)

bool has_ink(const std::vector<uint32_t>& p) {
  for (uint32_t v : p)
    if (v) return true;
  return false;
}

}  // namespace

TEST_F(TextDraw, AdvancesAndWidths) {
  EXPECT_EQ(cur_cell_w, 14);
  EXPECT_EQ(glyph_advance('A'), 16);
  EXPECT_EQ(text_width("A"), 15);
  EXPECT_EQ(text_width("AA"), 31);
  EXPECT_EQ(text_width(""), 0);
  EXPECT_EQ(text_width("\nAA"), 0);
  EXPECT_EQ(text_width("AA\nAAAA"), 31);
  EXPECT_EQ(text_width(nullptr), 0);
  // Escapes have no width; payloads may hold zero bytes.
  EXPECT_EQ(text_width(std::string("A\x02\x01\x00" "A", 5).c_str()), 31);
  EXPECT_EQ(text_width(std::string("A\x05\x00\x00\x00\xff\x00" "A", 8).c_str()), 31);
  EXPECT_EQ(text_width("A\x01xA"), 31);

  char text[] = "AAAB";
  EXPECT_EQ(text_width_n(text, 2), 31);
  EXPECT_STREQ(text, "AAAB");
  EXPECT_EQ(text_width_n(text, -1), text_width(text));
  EXPECT_EQ(text_width_n(text, 99), text_width(text));

  font_use("caption:size=38.4px");  // captions on a 768-pixel-high window
  EXPECT_EQ(cur_cell_w, 26);
  EXPECT_EQ(glyph_advance('A'), 30);
}

TEST_F(TextDraw, MeasuringWithoutAFont) {
  font_delete(caption);
  ASSERT_EQ(cur_font, nullptr);
  EXPECT_EQ(glyph_advance('A'), 5);
  EXPECT_EQ(text_width("AB"), 9);
  font_print(0, 0, 0, "AB", 0xFFFFFF);  // nothing to draw with: nothing happens
}

TEST_F(TextDraw, Fit) {
  EXPECT_EQ(text_fit("AB", 7), 0);
  EXPECT_EQ(text_fit("AB", 8), 1);  // a tie goes to the right
  EXPECT_EQ(text_fit("AB", 100), 2);
  EXPECT_EQ(text_fit("AB\nCD", 100), 2);
  EXPECT_EQ(text_fit("", 5), 0);
  EXPECT_EQ(text_fit("\x02zzAB", 7), 3);  // the escape and its payload are skipped
}

TEST_F(TextDraw, GlyphAdvanceInTheDrawing) {
  // A advances 16 pixels at scale 1 and 30 pixels at 1.92.
  EXPECT_SAME_PICTURE(font_print(10, 10, 0, "AA", 0xFFFFFF),
                      (font_print(10, 10, 0, "A", 0xFFFFFF), font_print(26, 10, 0, "A", 0xFFFFFF)));
  font_use("caption:size=38.4px");
  EXPECT_SAME_PICTURE(font_print(10, 10, 0, "AA", 0xFFFFFF),
                      (font_print(10, 10, 0, "A", 0xFFFFFF), font_print(40, 10, 0, "A", 0xFFFFFF)));
}

TEST_F(TextDraw, LineFeedsAndWrapping) {
  EXPECT_SAME_PICTURE(font_print(10, 5, 0, "AB\nC", 0xFFFFFF),
                      (font_print(10, 5, 0, "AB", 0xFFFFFF), font_print(10, 26, 0, "C", 0xFFFFFF)));
  // After "AA " the pen is at 42; the next word is 31 wide: a limit of 60 breaks, 21 lower.
  EXPECT_SAME_PICTURE(font_print(10, 5, 60, "AA AA", 0xFFFFFF),
                      (font_print(10, 5, 0, "AA", 0xFFFFFF), font_print(10, 26, 0, "AA", 0xFFFFFF)));
  // A limit of 100 does not; the space advances floor(2 + 0.5 + 1.82) = 4.
  EXPECT_SAME_PICTURE(font_print(10, 5, 100, "AA AA", 0xFFFFFF),
                      (font_print(10, 5, 0, "AA", 0xFFFFFF), font_print(46, 5, 0, "AA", 0xFFFFFF)));
  // Text without spaces never wraps, however narrow the limit.
  EXPECT_SAME_PICTURE(font_print(10, 5, 12, "AAAA", 0xFFFFFF),
                      font_print(10, 5, 0, "AAAA", 0xFFFFFF));
  // At 1.92 a line feed moves trunc(20 * 1.92 + 0.5) + 1 = 39, a wrap still 21.
  font_use("caption:size=38.4px");
  EXPECT_SAME_PICTURE(font_print(0, 0, 0, "A\nA", 0xFFFFFF),
                      (font_print(0, 0, 0, "A", 0xFFFFFF), font_print(0, 39, 0, "A", 0xFFFFFF)));
  EXPECT_SAME_PICTURE(font_print(0, 0, 40, "A A", 0xFFFFFF),
                      (font_print(0, 0, 0, "A", 0xFFFFFF), font_print(0, 21, 0, "A", 0xFFFFFF)));
}

TEST_F(TextDraw, NullAndEmptyTexts) {
  EXPECT_SAME_PICTURE(font_print(5, 5, 0, nullptr, 0xFFFFFF),
                      font_print(5, 5, 0, "NULL?", 0xFFFFFF));
  // An empty text makes no OpenGL call: the current colour stays as it was.
  glColor3ub(10, 20, 30);
  font_print(5, 5, 0, "", 0xFFFFFF);
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_NEAR(c[0], 10 / 255.0, 1e-3);
  font_print(5, 5, 0, "x", 0x00FF00);  // a drawn text leaves its colour current
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_NEAR(c[1], 1.0, 1e-3);
  EXPECT_NEAR(c[0], 0.0, 1e-3);
}

TEST_F(TextDraw, StateIsRestored) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(3, 4, 0);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  font_print(5, 5, 0, "Abc", 0xFFFFFF);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_FLOAT_EQ(m[12], 3.0f);
  EXPECT_FLOAT_EQ(m[13], 4.0f);
  glLoadIdentity();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextDraw, ColourAndPenEscapes) {
  clear();
  font_print(5, 5, 0, "A\x05\x00\x00\x00\xff\x00" "A", 0xFFFFFF);  // glued: payload zeros count
  std::vector<uint32_t> p = picture();
  bool white = false, red = false;
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      uint32_t v = p[size_t(y) * W + x];
      if (x < 21 && v == 0xFFFFFF) white = true;
      if (x >= 21 && (v >> 16) > 0xC0 && (v & 0xFFFF) == 0) red = true;
    }
  EXPECT_TRUE(white);
  EXPECT_TRUE(red);

  // The pen position is a signed 32-bit little-endian integer in window pixels.
  EXPECT_SAME_PICTURE(font_print(5, 5, 0, "A\x05\x01\xc8\x00\x00\x00" "B", 0xFFFFFF),
                      (font_print(5, 5, 0, "A", 0xFFFFFF), font_print(200, 5, 0, "B", 0xFFFFFF)));
}

TEST_F(TextDraw, GlyphEscapes) {
  // Glyph 65 by escape, a line feed by escape, and glyphs of 512 and more skipped.
  EXPECT_SAME_PICTURE(font_print(5, 5, 0, "\x02\x00\x41" "B", 0xFFFFFF),
                      font_print(5, 5, 0, "AB", 0xFFFFFF));
  EXPECT_SAME_PICTURE(font_print(5, 5, 0, "A\x02\x00\x0a" "B", 0xFFFFFF),
                      font_print(5, 5, 0, "A\nB", 0xFFFFFF));
  EXPECT_SAME_PICTURE(font_print(5, 5, 0, "A\x02\x7f\xff\x02\x02\x01" "B", 0xFFFFFF),
                      font_print(5, 5, 0, "AB", 0xFFFFFF));
  // Greek glyphs 256 and 308, which this font lacks: no ink and no advance.
  EXPECT_SAME_PICTURE(
      font_print(5, 5, 0, std::string("A\x02\x01\x00\x02\x01\x34" "B", 8).c_str(), 0xFFFFFF),
      font_print(5, 5, 0, "AB", 0xFFFFFF));
}

TEST_F(TextDraw, SizeAndRaiseEscapes) {
  clear();
  font_print(5, 30, 0, std::string("\x05\x02\xb3\x00\x00\x00" "A", 7).c_str(), 0xFFFFFF);
  const int top = top_row();
  font_use("caption");
  // A subscript (size 179, raise -115) goes 8 pixels down; a superscript (raise 38) 3 up.
  clear();
  font_print(5, 30, 0, "\x05\x02\xb3\x00\x8d\xff" "A", 0xFFFFFF);
  EXPECT_EQ(top_row(), top + 8);
  font_use("caption");
  clear();
  font_print(5, 30, 0, "\x05\x02\xb3\x00\x26\x00" "A", 0xFFFFFF);
  EXPECT_EQ(top_row(), top - 3);
  // The size change left its variant current; a change back to 256 returns to the font.
  EXPECT_NE(cur_font, caption);
  font_use("caption");
  font_print(5, 30, 0, std::string("\x05\x02\x00\x02\x00\x00" "A\x05\x02\x00\x01\x00\x00", 12).c_str(),
             0xFFFFFF);
  EXPECT_EQ(cur_font, caption);
}

TEST_F(TextDraw, DoubleSizeEscapeDrawsLikeTheVariant) {
  EXPECT_SAME_PICTURE(
      font_print(5, 5, 0, std::string("\x05\x02\x00\x02\x00\x00" "AB", 8).c_str(), 0xFFFFFF),
      (font_use("caption:size=40px"), font_print(5, 5, 0, "AB", 0xFFFFFF)));
  EXPECT_STREQ(cur_font->name, "caption:width=2:height=2");
}

TEST_F(TextDraw, BlendModes) {
  glClearColor(0.5f, 0.5f, 0.5f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const uint32_t grey = gl.pixel(0, 0);
  // Opaque: the whole cell is drawn, transparent texels as black.
  set_blend_mode(1);
  font_print(0, 0, 0, "A", 0xFFFFFF);
  EXPECT_EQ(gl.pixel(0, 0), 0u);
  // Alpha blending keeps the background around the glyph.
  glClear(GL_COLOR_BUFFER_BIT);
  set_blend_mode(4);
  font_print(0, 0, 0, "A", 0xFFFFFF);
  EXPECT_EQ(gl.pixel(0, 0), grey);
  // An unknown mode leaves the blend function as it was: here one that keeps the destination.
  glClear(GL_COLOR_BUFFER_BIT);
  glBlendFunc(GL_ZERO, GL_ONE);
  set_blend_mode(0);
  font_print(0, 0, 0, "AAAA", 0xFFFFFF);
  for (uint32_t v : picture()) ASSERT_EQ(v, grey);
  glBlendFunc(GL_ONE, GL_ZERO);
}

TEST_F(TextDraw, BoxedText) {
  clear();
  font_print_boxed(10, 10, "AA", 0x000000, 0x0000FF);
  EXPECT_EQ(gl.pixel(10, 10), 0x0000FFu);
  EXPECT_EQ(gl.pixel(40, 29), 0x0000FFu);  // 31 wide, 20 high
  EXPECT_EQ(gl.pixel(41, 10), 0u);
  EXPECT_EQ(gl.pixel(10, 30), 0u);
}

TEST_F(TextDraw, KnownLengthTextsEndAtCutOffEscapes) {
  // Exactly sized heap copies without a terminator: the sanitizers catch any read past them.
  auto exact = [](const std::string& s) {
    char* p = static_cast<char*>(malloc(s.size()));
    memcpy(p, s.data(), s.size());
    return p;
  };
  const std::vector<std::string> cut = {"AA\x05", "AA\x05\x02\x00", "AA\x02", "AA\x02\x01",
                                        std::string("AA\x05\x00\x00\x00\xff", 7)};
  for (const std::string& s : cut) {
    char* text = exact(s);
    EXPECT_SAME_PICTURE(font_print_len(10, 10, 0, text, s.size(), 0xFFFFFF),
                        font_print(10, 10, 0, "AA", 0xFFFFFF));
    EXPECT_EQ(text_width_len(text, s.size()), 31) << s.size();
    EXPECT_EQ(text_fit_len(text, s.size(), 100), 2);
    free(text);
  }
  // The measuring walk takes every byte 1..7 as an escape introducer.
  char* seven = exact("AA\x07zz");
  EXPECT_EQ(text_width_len(seven, 5), 31);
  EXPECT_EQ(text_fit_len(seven, 5, 100), 2);
  free(seven);
  // Whole escapes inside the length still work, zero payload bytes included.
  std::string whole("A\x05\x00\x00\x00\xff\x00" "A", 8);
  char* text = exact(whole);
  clear();
  font_print_len(10, 10, 0, text, whole.size(), 0xFFFFFF);
  EXPECT_TRUE(has_ink(picture()));
  EXPECT_EQ(text_width_len(text, whole.size()), 31);
  free(text);
  // A word after a space reaching the end is measured only up to the end.
  std::string wrapped = "AA \x05";
  text = exact(wrapped);
  font_print_len(10, 10, 20, text, wrapped.size(), 0xFFFFFF);
  free(text);
}
