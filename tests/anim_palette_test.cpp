// The ANIM palette rule, the integer table, nearest_color's candidates, the JASC-PAL file and the
// alternative palette.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/palette.h"
#include "util/test_util.h"

namespace {

int rgb_of(int index) {
  int table[256];
  anim_palette_rgb(table);
  return table[index];
}

TEST(AnimPalette, RuleEntries) {
  float r[256], g[256], b[256];
  anim_palette(r, g, b);
  EXPECT_EQ(r[8], 0.25f);
  EXPECT_EQ(g[7], 0.5f);
  EXPECT_EQ(r[16] + g[16] + b[16], 0.0f);
  EXPECT_EQ(r[39], 1.0f);
  EXPECT_EQ(b[39], 1.0f);
  EXPECT_EQ(r[40] + g[40] + b[40], 0.0f);
  EXPECT_EQ(r[255], 1.0f);
  EXPECT_EQ(g[255], 1.0f);
  EXPECT_EQ(b[255], 1.0f);
  EXPECT_EQ(r[17], float(1 / 23.0));
}

TEST(AnimPalette, IntegerRows) {
  const int expected[][2] = {
      {0, 0x000000},  {7, 0x7F7F7F},  {8, 0x3F3F3F},   {9, 0x0000FF},  {12, 0xFF0000},
      {15, 0xFFFFFF}, {17, 0x0B0B0B}, {39, 0xFFFFFF},  {41, 0x330000}, {45, 0xFF0000},
      {46, 0x003300}, {76, 0x000033}, {255, 0xFFFFFF},
  };
  for (const auto& row : expected) EXPECT_EQ(rgb_of(row[0]), row[1]) << "entry " << row[0];
}

TEST(AnimPalette, NearestColorCandidates) {
  EXPECT_EQ(nearest_color(0x808080), 7);  // the 0.5 grey, not a ramp grey
  EXPECT_EQ(nearest_color(0x7F7F7F), 7);
  EXPECT_EQ(nearest_color(0x404040), 8);
  EXPECT_EQ(nearest_color(0xFF8000), 63);
  EXPECT_EQ(nearest_color(0x336699), 161);
  EXPECT_EQ(nearest_color(0xC0C0C0), 33);
  EXPECT_EQ(nearest_color(0x102030), 19);
  EXPECT_EQ(nearest_color(0xFFFFFF), 15);  // ties go to the earlier candidate
  EXPECT_EQ(nearest_color(0x000000), 0);
}

TEST(AnimPalette, NearestColorOfPaletteColoursKeepsTheirColour) {
  int table[256];
  anim_palette_rgb(table);
  for (int i = 0; i < 256; i++) EXPECT_EQ(table[nearest_color(table[i])], table[i]) << i;
}

TEST(AnimPalette, QuantisedRowsMatchNearestColor) {
  // Enough colours that the quantiser's cache both hits and evicts.
  std::vector<unsigned char> rgb;
  for (int i = 0; i < 20000; i++) {
    unsigned v = unsigned(i) * 2654435761u;
    int c = i % 3 ? int(v >> 8) : int(v % 64) * 0x030507;
    rgb.push_back((unsigned char)(c >> 16));
    rgb.push_back((unsigned char)(c >> 8));
    rgb.push_back((unsigned char)c);
  }
  std::vector<unsigned char> out(20000);
  anim_quantise_row(rgb.data(), 20000, out.data());
  anim_quantise_row(rgb.data(), 20000, out.data());  // second pass from a warm cache
  for (int i = 0; i < 20000; i++)
    ASSERT_EQ(out[i], nearest_color(rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2])) << i;
}

TEST(AnimPalette, JascFile) {
  vt_test::TempDir dir;
  float r[256], g[256], b[256];
  anim_palette(r, g, b);
  ASSERT_EQ(save_jasc_pal(r, g, b, dir.file("p.pal").c_str()), 1);
  std::string text = vt_test::read_file(dir.file("p.pal"));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
    lines.push_back(text.substr(start, pos - start));
  EXPECT_EQ(start, text.size());  // every line ends in CR LF
  ASSERT_EQ(lines.size(), 259u);
  EXPECT_EQ(lines[0], "JASC-PAL");
  EXPECT_EQ(lines[1], "0100");
  EXPECT_EQ(lines[2], "256");
  EXPECT_EQ(lines[3], "0 0 0");
  EXPECT_EQ(lines[11], "63 63 63");
  EXPECT_EQ(lines[18], "255 255 255");
}

TEST(AnimPalette, JascFileThatCannotBeCreated) {
  vt_test::TempDir dir;
  float r[256] = {}, g[256] = {}, b[256] = {};
  EXPECT_EQ(save_jasc_pal(r, g, b, dir.file("missing/p.pal").c_str()), 0);
  EXPECT_FALSE(vt_test::file_exists(dir.file("missing/p.pal")));
}

TEST(AnimPalette, AlternativePalette) {
  float r[256], g[256], b[256];
  alt_palette(r, g, b);
  auto is = [&](int i, float er, float eg, float eb) {
    EXPECT_EQ(r[i], er) << i;
    EXPECT_EQ(g[i], eg) << i;
    EXPECT_EQ(b[i], eb) << i;
  };
  is(8, 0.25f, 0.25f, 0.25f);
  is(32, 0, 0, 1);
  is(34, 0.5f, 0, 1);
  is(36, 1, 0, 1);
  is(40, 1, 0, 0);
  is(44, 1, 1, 0);
  is(48, 0, 1, 0);
  is(52, 0, 1, 1);
  is(56, 0.5f, 0.5f, 1);
  is(80, 0, 0, 0.25f);
  is(104, 0, 0, 0.5f);
  is(31, 1, 1, 1);
  is(252, 1, 1, 1);
  is(253, 0, 0, 0);
  is(255, 0, 0, 0);
}

}  // namespace
