// Text in 3D: widths in line heights, the corners draw_text_scaled and emit_text_3d lay out,
// glyph escapes the font lacks or that lie outside its tables, no font or a zero line height,
// transparent texels and the blend table on real pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "gfx/shell_state.h"
#include "gfx3d/text3d.h"
#include "gl_record/gl_record.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"
#include "util/gl_context.h"

namespace {

using gl_record::Call;
using Args = std::vector<double>;
constexpr int SIZE = 64;
constexpr uint8_t CLEAR = 255, WHITE = 39;  // transparent and the grey ramp's white

// A font of 16-pixel lines: a and b 8 wide, c 6 wide, glyph 256 4 wide; glyph 'a' is transparent
// on its left half. Every other glyph up to 256 is empty; glyphs after 256 do not exist.
std::vector<uint8_t> test_font() {
  std::vector<uint8_t> data;
  for (int g = 0; g <= 256; g++) {
    int w = g == 'a' || g == 'b' ? 8 : g == 'c' ? 6 : g == 256 ? 4 : 0;
    int h = w ? 16 : 0;
    data.push_back(uint8_t(w));
    data.push_back(uint8_t(h));
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) data.push_back(g == 'a' && x < 4 ? CLEAR : WHITE);
  }
  return data;
}

std::vector<Args> args_of(const std::vector<Call>& calls, const char* name) {
  std::vector<Args> out;
  for (const Call& c : gl_record::only(calls, name)) out.push_back(c.args);
  return out;
}

class Text3d : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = SIZE;
    screen_h = SIZE;
    std::vector<uint8_t> data = test_font();
    font_load_mem(data.data(), uint32_t(data.size()), "test", 0);
    font = cur_font;
    ASSERT_EQ(cur_line_h, 16);
    set_blend_mode(1);
  }
  void TearDown() override {
    glFinish();
    while (fonts && font_list.count > 0) font_delete(fonts[0]);
    set_blend_mode(3);
  }
  // Texture corner s0 or t0 of a glyph: the centre of its first texel.
  float s0(int g) { return float((font->glyph_x[g] + 0.5) / font->atlas_w); }
  float t0(int g) { return float((font->glyph_y[g] + 0.5) / font->atlas_h); }
  vt_test::GlContext gl{SIZE, SIZE};
  Font* font = nullptr;
};

TEST_F(Text3d, WidthsInLineHeights) {
  EXPECT_DOUBLE_EQ(text_width_lines("ab\tc"), 2.375);
  EXPECT_DOUBLE_EQ(text_width_lines("ab\nc"), 1.375);          // lines add up
}

TEST_F(Text3d, GlyphEscapesDrawOnlyGlyphsTheFontHas) {
  // Glyph 256 is 4 pixels wide; 300 is absent and 0xFFFF lies outside the tables: neither draws
  // nor advances.
  const char text[] = "\x02\x01\x2C" "a\x02\x01\x00" "b\x02\xFF\xFF" "c";
  EXPECT_DOUBLE_EQ(text_width_lines(text), 0.5 + 0.25 + 0.5 + 0.375);
  gl_record::start();
  draw_text_scaled(0, 0, 16, text, 0xFFFFFF);
  auto v = args_of(gl_record::stop(), "glVertex3f");
  ASSERT_EQ(v.size(), 4u * 4);
  EXPECT_EQ(v[0], (Args{0, 0, 0}));    // a
  EXPECT_EQ(v[4], (Args{8, 0, 0}));    // glyph 256
  EXPECT_EQ(v[5], (Args{12, 0, 0}));
  EXPECT_EQ(v[8], (Args{12, 0, 0}));   // b
  EXPECT_EQ(v[12], (Args{20, 0, 0}));  // c
}

TEST_F(Text3d, ScaledTextCornersColoursAndState) {
  set_blend_mode(3);
  gl_record::start();
  draw_text_scaled(100, 50, 10, "a\nb", 0x336699);
  auto calls = gl_record::stop();
  EXPECT_EQ(calls.front().name, "glPushAttrib");
  EXPECT_EQ(calls.front().args[0], 0x46000);
  EXPECT_EQ(calls.back().name, "glPopAttrib");
  EXPECT_EQ(args_of(calls, "glBlendFunc"), (std::vector<Args>{{GL_SRC_ALPHA, GL_ONE}}));
  EXPECT_EQ(args_of(calls, "glAlphaFunc"), (std::vector<Args>{{GL_GREATER, 0}}));
  EXPECT_EQ(args_of(calls, "glBindTexture"), (std::vector<Args>{{GL_TEXTURE_2D, double(font->tex)}}));
  auto v = args_of(calls, "glVertex3f");
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[0], (Args{100, 50, 0}));
  EXPECT_EQ(v[1], (Args{105, 50, 0}));
  EXPECT_EQ(v[2], (Args{105, 60, 0}));
  EXPECT_EQ(v[3], (Args{100, 60, 0}));
  EXPECT_EQ(v[4], (Args{100, 60, 0}));  // the newline: next row, back to x = 100
  // Each corner: texture coordinate, then colour, then vertex.
  size_t first = 0;
  while (calls[first].name != "glTexCoord2f") first++;
  EXPECT_EQ(calls[first].args, (Args{s0('a'), t0('a')}));
  EXPECT_EQ(calls[first + 1].name, "glColor3ub");
  EXPECT_EQ(calls[first + 1].args, (Args{0x33, 0x66, 0x99}));
  EXPECT_EQ(calls[first + 2].name, "glVertex3f");
  auto st = args_of(calls, "glTexCoord2f");
  EXPECT_FLOAT_EQ(float(st[2][0]), float(s0('a') + 7.0 / font->atlas_w));
  EXPECT_FLOAT_EQ(float(st[2][1]), float(t0('a') + 15.0 / font->atlas_h));
}

TEST_F(Text3d, LaidAlongTwoVectors) {
  const double down[3] = {0, -1, 0}, across[3] = {1, 0, 0};
  gl_record::start();
  glBegin(GL_QUADS);
  emit_text_3d(1, 2, 3, "a\tb\nc", down, across);
  glEnd();
  auto calls = gl_record::stop();
  ASSERT_EQ(calls.size(), 2u + 3 * 8);  // texture coordinate and vertex per corner, nothing else
  auto v = args_of(calls, "glVertex3f");
  EXPECT_EQ(v[0], (Args{1, 2, 3}));
  EXPECT_EQ(v[2], (Args{1.5, 1, 3}));
  EXPECT_EQ(v[4], (Args{2.5, 2, 3}));  // after a tab of one line height
  EXPECT_EQ(v[8], (Args{1, 1, 3}));    // next line, back at the origin's column
  EXPECT_EQ(v[10], (Args{1.375, 0, 3}));
}

TEST_F(Text3d, NoFontOrNoLineHeightDrawsAndMeasuresNothing) {
  const double down[3] = {0, -1, 0}, across[3] = {1, 0, 0};
  for (int variant = 0; variant < 2; variant++) {
    Font* saved = cur_font;
    uint8_t saved_h = cur_line_h;
    if (variant == 0) cur_font = nullptr;
    else cur_line_h = 0;
    gl_record::start();
    draw_text_scaled(0, 0, 10, "ab", 0xFFFFFF);
    emit_text_3d(0, 0, 0, "ab", down, across);
    double width = text_width_lines("ab\t");
    auto calls = gl_record::stop();
    cur_font = saved;
    cur_line_h = saved_h;
    EXPECT_TRUE(calls.empty()) << variant;
    EXPECT_EQ(width, 0) << variant;
  }
}

TEST_F(Text3d, TransparentTexelsStayOutAndModeThreeAdds) {
  glClearColor(0.25f, 0.25f, 0.25f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  set_blend_mode(3);
  // 'a' at 32 pixels per line: x 8..24, its left half transparent.
  draw_text_scaled(8, 8, 32, "a", 0x808080);
  EXPECT_EQ(gl.pixel(12, 24), 0x404040u);
  uint32_t lit = gl.pixel(20, 24);
  EXPECT_NEAR(int(lit & 0xFF), 0x40 + 0x80, 2);  // added, not lightened as 2D text would
  EXPECT_EQ(gl.pixel(30, 24), 0x404040u);
}

}  // namespace
