// animtool thumbnail and the extent end to end: the extent that info reports and render uses when
// no size is given (pixels that can never be seen do not count), and thumbnails taken after the
// first second, shrunk by area averaging and never enlarged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/palette.h"
#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

RunResult animtool(std::vector<std::string> args) {
  args.insert(args.begin(), vt_test::bin_path("animtool"));
  return vt_test::run_program(args);
}

uint32_t palette(int index) {
  int table[256];
  anim_palette_rgb(table);
  return uint32_t(table[index]);
}

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += char(b);
  return s;
}

TEST(E2eAnimtoolThumbnail, ExtentInInfoAndAsTheRenderSize) {
  TempDir dir;
  // Frame 1: a block moved off the top-left before any position (never visible), then a single
  // point at (37, 12). Frame 2: a block filling x 16..23, y 24..31.
  std::string v2 = std::string("ANIM2", 6) + bytes({0xA1, 12, 0x01, 5 << 3, 12, 15, 254}) +
                   bytes({0xA0, 2, 3, 13, 254});
  ASSERT_TRUE(vt_test::write_file(dir.file("v2.anim"), v2));

  RunResult text = animtool({"info", dir.file("v2.anim")});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_NE(text.out.find("\nextent: 38x32\n"), std::string::npos) << text.out;
  RunResult json = animtool({"info", "--json", dir.file("v2.anim")});
  EXPECT_NE(json.out.find("\"extent\": {\"width\": 38, \"height\": 32}"), std::string::npos)
      << json.out;

  RunResult r = animtool({"render", dir.file("v2.anim"), "-o", dir.file("v2.png")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image img;
  ASSERT_TRUE(vt_test::read_png(dir.file("v2.png"), &img));
  ASSERT_EQ(img.width, 38);
  ASSERT_EQ(img.height, 32);
  EXPECT_EQ(img.pixel(37, 12), palette(15));
  EXPECT_EQ(img.pixel(16, 24), palette(13));
  EXPECT_EQ(img.pixel(23, 31), palette(13));
  EXPECT_EQ(img.pixel(0, 0), palette(0));

  // Version 1: x = -1 falls off the left edge; (5, 7) is the only visible pixel.
  auto record = [](int x, int y, int index) {
    uint32_t v = (uint32_t(x) & 0xFFF) << 20 | uint32_t(y) << 8 | uint32_t(index);
    return bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
  };
  ASSERT_TRUE(vt_test::write_file(dir.file("v1.anim"), record(-1, 50, 9) + record(5, 7, 9)));
  EXPECT_NE(animtool({"info", dir.file("v1.anim")}).out.find("\nextent: 6x8\n"), std::string::npos);

  // Nothing visible: info says 0x0, render and thumbnail need a size they cannot find.
  ASSERT_TRUE(vt_test::write_file(dir.file("empty.anim"), ""));
  EXPECT_NE(animtool({"info", dir.file("empty.anim")}).out.find("\nextent: 0x0\n"),
            std::string::npos);
  for (RunResult bad : {animtool({"render", dir.file("empty.anim"), "-o", dir.file("e.png")}),
                        animtool({"thumbnail", dir.file("empty.anim"), dir.file("e.png")})}) {
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_EQ(bad.err.find('\n'), bad.err.size() - 1) << bad.err;
    EXPECT_NE(bad.err.find("draws no visible pixel"), std::string::npos) << bad.err;
  }
  EXPECT_FALSE(vt_test::file_exists(dir.file("e.png")));

  // A pipe cannot be read twice: render asks for a size rather than drawing nothing.
  RunResult piped = vt_test::run_program(
      {vt_test::bin_path("animtool"), "render", "/dev/stdin", "-o", dir.file("p.png")}, "", {}, v2);
  EXPECT_EQ(piped.exit_code, 1);
  EXPECT_NE(piped.err.find("give --size WxH"), std::string::npos) << piped.err;
  EXPECT_FALSE(vt_test::file_exists(dir.file("p.png")));
}

// 30 frames of 96x48: frames 1..25 red on the left half and one-pixel columns of white and black
// on the right; frames 26..30 all white. The thumbnail shows frame 25.
TEST(E2eAnimtoolThumbnail, FirstSecondShrunkByAreaNeverEnlarged) {
  TempDir dir;
  const int w = 96, h = 48;
  const int red = 0xFF0000, white = 0xFFFFFF, black = 0x000000;
  std::vector<std::string> args = {"encode", "-o", dir.file("clip.anim")};
  for (int f = 1; f <= 30; f++) {
    Image img;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        int c = f > 25 ? white : x < w / 2 ? red : x % 2 ? white : black;
        img.rgb.push_back(uint8_t(c >> 16));
        img.rgb.push_back(uint8_t(c >> 8));
        img.rgb.push_back(uint8_t(c));
      }
    std::string name = dir.file("f" + std::to_string(f) + ".png");
    ASSERT_TRUE(vt_test::write_png(name, img));
    args.push_back(name);
  }
  ASSERT_EQ(animtool(args).exit_code, 0);

  RunResult r = animtool({"thumbnail", dir.file("clip.anim"), dir.file("t.png"), "--size", "24"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image t;
  ASSERT_TRUE(vt_test::read_png(dir.file("t.png"), &t));
  ASSERT_EQ(t.width, 24);
  ASSERT_EQ(t.height, 12);
  uint32_t q_red = palette(nearest_color(red)), q_white = palette(nearest_color(white));
  uint32_t q_black = palette(nearest_color(black));
  uint32_t grey = 0;  // the columns' average, channel by channel, rounded
  for (int shift : {16, 8, 0})
    grey |= (((q_white >> shift & 0xFF) + (q_black >> shift & 0xFF) + 1) / 2) << shift;
  for (int y = 0; y < 12; y++)
    for (int x = 0; x < 24; x++) ASSERT_EQ(t.pixel(x, y), x < 12 ? q_red : grey) << x << "," << y;

  // The default size (256) holds the whole picture: kept at 96x48, pixel for pixel.
  ASSERT_EQ(animtool({"thumbnail", dir.file("clip.anim"), dir.file("full.png")}).exit_code, 0);
  ASSERT_TRUE(vt_test::read_png(dir.file("full.png"), &t));
  ASSERT_EQ(t.width, w);
  EXPECT_EQ(t.pixel(0, 0), q_red);
  EXPECT_EQ(t.pixel(95, 47), q_white);
  EXPECT_EQ(t.pixel(94, 47), q_black);

  RunResult bad = animtool({"thumbnail", dir.file("clip.anim"), dir.file("x.png"), "--size", "0"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.err.find("bad size"), std::string::npos) << bad.err;
}

}  // namespace
