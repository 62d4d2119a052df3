// The gallery program off-screen: "-o FILE" writes one 800x600 picture whose parts are where the
// scene puts them (sky, a lit red sphere, the title, the frosted panel and its mark-up text); under
// a script, B turns the blur off (the panel's background gets sharp) and the arrows turn the view;
// Q ends it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::TempDir;

int red(uint32_t p) { return int(p >> 16); }
int green(uint32_t p) { return int((p >> 8) & 0xFF); }
int blue(uint32_t p) { return int(p & 0xFF); }

// Mean difference between horizontally adjacent pixels of a rectangle: low when blurred.
double roughness(const Image& im, int x0, int y0, int x1, int y1) {
  double sum = 0;
  int n = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1 - 1; x++) {
      uint32_t a = im.pixel(x, y), b = im.pixel(x + 1, y);
      sum += std::abs(red(a) - red(b)) + std::abs(green(a) - green(b)) + std::abs(blue(a) - blue(b));
      n++;
    }
  return sum / n;
}

// A strip of the panel that holds no text.
double panel_roughness(const Image& im) { return roughness(im, 525, 530, 775, 575); }

class Gallery : public ::testing::Test {
 protected:
  vt_test::RunResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv{vt_test::bin_path("vantorel-gallery-headless")};
    argv.insert(argv.end(), args.begin(), args.end());
    return vt_test::run_program(argv, dir.path, env, "", 120);
  }
  TempDir dir;
};

TEST_F(Gallery, WritesTheScene) {
  vt_test::RunResult r = run({"-o", "scene.png"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im;
  ASSERT_TRUE(vt_test::read_png(dir.file("scene.png"), &im));
  ASSERT_EQ(im.width, 800);
  ASSERT_EQ(im.height, 600);

  uint32_t sky = im.pixel(400, 60);
  EXPECT_GT(blue(sky), red(sky) + 30);
  uint32_t ball = im.pixel(210, 280);  // the red sphere, lit
  EXPECT_GT(red(ball), 120);
  EXPECT_LT(green(ball) + blue(ball), red(ball));
  uint32_t border = im.pixel(520, 450);  // the panel's light frame
  EXPECT_GT(blue(border), 180);
  int title = 0;
  for (int y = 10; y < 44; y++)
    for (int x = 16; x < 300; x++)
      if (red(im.pixel(x, y)) > 235 && green(im.pixel(x, y)) > 235) title++;
  EXPECT_GT(title, 300);
  EXPECT_LT(panel_roughness(im), 1.5);

  // The mark-up panel: "Colours" in orange, and Greek letters after "Greek:" (drawn only when the
  // font with Greek glyphs is loaded).
  int orange = 0, greek = 0;
  for (int y = 428; y < 448; y++)
    for (int x = 530; x < 612; x++) {
      uint32_t p = im.pixel(x, y);
      if (red(p) > 160 && green(p) > 80 && green(p) < red(p) - 30 && blue(p) < 110) orange++;
    }
  for (int y = 458; y < 478; y++)
    for (int x = 588; x < 660; x++)
      if (red(im.pixel(x, y)) > 200 && blue(im.pixel(x, y)) > 200) greek++;
  EXPECT_GT(orange, 60);
  EXPECT_GT(greek, 40);
}

TEST_F(Gallery, KeysToggleTheBlurTurnTheViewAndQuit) {
  ASSERT_EQ(run({"-o", "blurred.png"}).exit_code, 0);
  ASSERT_TRUE(vt_test::write_file(dir.file("keys.txt"),
                                  "1 press b\n1 down 0x27\n3 snapshot sharp.png\n3 down q\n"));
  vt_test::RunResult r = run({}, {"VANTOREL_SCRIPT=keys.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image blurred, sharp;
  ASSERT_TRUE(vt_test::read_png(dir.file("blurred.png"), &blurred));
  ASSERT_TRUE(vt_test::read_png(dir.file("sharp.png"), &sharp));
  EXPECT_GT(panel_roughness(sharp), 2 * panel_roughness(blurred));
  // Turned to the right, the red sphere has moved left: its old place shows something else.
  int moved = 0;
  for (int x = 150; x < 300; x += 5)
    if (sharp.pixel(x, 280) != blurred.pixel(x, 280)) moved++;
  EXPECT_GT(moved, 10);
}

}  // namespace
