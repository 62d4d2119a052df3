// End to end with the headless player: the frame-number overlay (switch and F key) and the
// captions of a caption file, checked in PNG snapshots of a small animation whose every frame is
// one flat colour, so that anything else in a snapshot was drawn by the overlays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/anim_file.h"
#include "anim/encode.h"
#include "anim/palette.h"
#include "util/test_util.h"

namespace {

constexpr int W = 640, H = 480;
constexpr int BACKGROUND_INDEX = 200;

// A version 2 animation of `frames` frames: the first paints every pixel, the others change none.
void make_flat_anim(const std::string& path, int frames) {
  AnimFile anim = anim_writer_open_size(path.c_str(), 2, W, H);
  ASSERT_NE(anim.file, nullptr);
  std::vector<unsigned char> picture(size_t(W) * H, BACKGROUND_INDEX);
  for (int i = 0; i < frames; i++) anim_encode_indices(&anim, picture.data(), W);
  anim_close(anim);
}

bool is_white(uint32_t p) { return (p >> 16) >= 0xE0 && ((p >> 8) & 0xFF) >= 0xE0 && (p & 0xFF) >= 0xE0; }
bool is_dark(uint32_t p) { return (p >> 16) <= 0x30 && ((p >> 8) & 0xFF) <= 0x30 && (p & 0xFF) <= 0x30; }

struct Region {
  int white = 0, dark = 0, grey = 0, background = 0, other = 0;
};

Region scan(const vt_test::Image& img, int x0, int y0, int x1, int y1, uint32_t background) {
  Region r;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) {
      uint32_t p = img.pixel(x, y);
      if (p == background) r.background++;
      else if (p == 0x808080) r.grey++;
      else if (is_white(p)) r.white++;
      else if (is_dark(p)) r.dark++;
      else r.other++;
    }
  return r;
}

class PlayerOverlay : public ::testing::Test {
 protected:
  void SetUp() override {
    anim_path = dir.file("flat.anim");
    make_flat_anim(anim_path, 30);
    float r, g, b;
    anim_palette_entry(BACKGROUND_INDEX, &r, &g, &b);
    const uint32_t colour = uint32_t(r * 255) << 16 | uint32_t(g * 255) << 8 | uint32_t(b * 255);
    ASSERT_FALSE(is_white(colour) || is_dark(colour) || colour == 0x808080) << std::hex << colour;
    ASSERT_TRUE(vt_test::file_exists(vt_test::bin_path("vantorel-headless")));
  }
  // Runs the player with the switches and script lines; snapshots go into the temporary folder.
  vt_test::RunResult play(std::vector<std::string> switches, const std::string& script) {
    vt_test::write_file(dir.file("script.txt"), script);
    std::vector<std::string> argv = {vt_test::bin_path("vantorel-headless"), "-res:640x480"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    argv.push_back(anim_path);
    return vt_test::run_program(argv, dir.path, {"VANTOREL_SCRIPT=" + dir.file("script.txt")});
  }
  vt_test::Image snapshot(const std::string& name) {
    vt_test::Image img;
    EXPECT_TRUE(vt_test::read_png(dir.file(name), &img)) << name;
    if (img.width != W || img.height != H) {
      ADD_FAILURE() << name << " is " << img.width << "x" << img.height;
      img.width = W;
      img.height = H;
      img.rgb.assign(size_t(W) * H * 3, 0);
    }
    return img;
  }
  vt_test::TempDir dir;
  std::string anim_path;
};

// The box for a 640-pixel-wide area and the embedded font's 20-pixel lines: x 150, width 340,
// height 60; white text from (160, 10) on two lines.
void expect_overlay(const vt_test::Image& img, uint32_t bg) {
  Region inside = scan(img, 152, 2, 488, 58, bg);
  EXPECT_EQ(inside.background, 0);
  EXPECT_EQ(inside.grey, 0);
  EXPECT_GT(inside.white, 150);  // two lines of text
  EXPECT_GT(inside.dark, 10000);
  // The text starts at x = 160 on both lines: nothing white left of it.
  EXPECT_EQ(scan(img, 152, 2, 159, 58, bg).white, 0);
  EXPECT_GT(scan(img, 160, 10, 200, 30, bg).white, 20);   // "Fr" of "Frame n"
  EXPECT_GT(scan(img, 160, 31, 200, 51, bg).white, 20);   // "AN" of "ANIM version 2 (0x0)"
  // Grey outline on the box's edges, background right outside them.
  EXPECT_GT(scan(img, 150, 0, 490, 2, bg).grey, 300);
  EXPECT_GT(scan(img, 149, 5, 152, 55, bg).grey, 45);
  EXPECT_GT(scan(img, 488, 5, 491, 55, bg).grey, 45);
  EXPECT_GT(scan(img, 150, 58, 490, 61, bg).grey, 300);
  Region outside_left = scan(img, 0, 0, 148, H, bg);
  Region below = scan(img, 0, 62, W, H, bg);
  EXPECT_EQ(outside_left.background, 148 * H);
  EXPECT_EQ(below.background, W * (H - 62));
}

}  // namespace

TEST_F(PlayerOverlay, FrameNumbersBoxFromTheSwitch) {
  vt_test::RunResult r = play({"-showframenums"}, "3 snapshot f2.png\n4 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  vt_test::Image img = snapshot("f2.png");
  const uint32_t bg = img.pixel(5, H - 5);
  EXPECT_NE(bg, 0u);
  EXPECT_NE(bg, 0x808080u);
  expect_overlay(img, bg);
}

TEST_F(PlayerOverlay, FKeyTogglesTheOverlay) {
  vt_test::RunResult r =
      play({}, "3 snapshot before.png\n4 press F\n6 snapshot after.png\n7 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  vt_test::Image before = snapshot("before.png");
  const uint32_t bg = before.pixel(5, H - 5);
  EXPECT_EQ(scan(before, 0, 0, W, H, bg).background, W * H);
  expect_overlay(snapshot("after.png"), bg);
}

TEST_F(PlayerOverlay, CaptionsInTheBandDuringTheirFramesOnly) {
  vt_test::write_file(dir.file("captions.txt"), "4,6,HELLO CAPTION\r\n");
  // Poll n + 1 shows frame n.
  vt_test::RunResult r = play({"-captionfile:" + dir.file("captions.txt")},
                              "3 snapshot frame2.png\n6 snapshot frame5.png\n"
                              "9 snapshot frame8.png\n10 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;

  vt_test::Image shown = snapshot("frame5.png");
  const uint32_t bg = shown.pixel(5, 5);
  // White text with a dark outline from x = 80 (W / 8), y = 360 (3H / 4), 24-pixel glyphs.
  Region band = scan(shown, 78, 358, 560, 390, bg);
  EXPECT_GT(band.white, 200);
  EXPECT_GT(band.dark, 200);
  EXPECT_GT(scan(shown, 79, 360, 84, 385, bg).white, 10);  // the H's stem at x = 80
  EXPECT_EQ(scan(shown, 0, 0, 79, H, bg).white, 0);
  EXPECT_EQ(scan(shown, 0, 0, W, 358, bg).white, 0);
  EXPECT_EQ(scan(shown, 0, 390, W, H, bg).white, 0);

  // Before and after the caption's frames the band holds no text: it was blanked black.
  for (const char* name : {"frame2.png", "frame8.png"}) {
    vt_test::Image img = snapshot(name);
    Region r2 = scan(img, 80, 360, 560, 423, bg);
    EXPECT_EQ(r2.white, 0) << name;
    EXPECT_EQ(r2.dark, 480 * 63) << name;  // the band, 3 x 20 + 3 high before any caption
  }
}

TEST_F(PlayerOverlay, HostileCaptionFilePlaysSafely) {
  // Control bytes that open escapes cut off by the line end, huge glyph numbers, size changes,
  // lines without text or comma, and a last line without a line end.
  vt_test::write_file(dir.file("captions.txt"),
                      std::string("1,2,abc\x05\n2,3,x\x02\xff\xff\x02\n3,4,\x05\x02\xff\xff\x80\x80"
                                  "big\r4,5\n,,\nnothing here\n5,6,\x05\x01\xff\xff\xff\x7f"
                                  "far\x05\x00\x01\x02\x03\x04 end\x02",
                                  77));
  vt_test::RunResult r = play({"-captionfile:" + dir.file("captions.txt"), "-showframenums"},
                              "8 snapshot last.png\n9 quit\n");
  // The sanitizer build's reports first: they also end the run with a failing status.
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << r.err;
  ASSERT_EQ(r.exit_code, 0) << r.err;
  snapshot("last.png");
}
