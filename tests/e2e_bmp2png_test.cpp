// bmp2png end to end: the library's own screenshot call converted by the real program, top-down
// BMPs, and bad or truncated files refused with one line, exit status 1, the BMP kept and no PNG
// or temporary left behind.
#include <GL/gl.h>
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/draw2d.h"
#include "gfx/screenshot.h"
#include "gfx/shell_state.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

RunResult bmp2png(std::vector<std::string> args) {
  args.insert(args.begin(), vt_test::bin_path("bmp2png"));
  return vt_test::run_program(args);
}

uint32_t colour_at(int x, int y) { return uint32_t(x * 20) << 16 | uint32_t(y * 30) << 8 | 0x55; }

std::vector<std::string> folder_names(const std::string& path) {
  std::vector<std::string> names;
  DIR* d = opendir(path.c_str());
  while (dirent* e = d ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  if (d) closedir(d);
  return names;
}

void put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) s[at + i] = char(v >> (8 * i));
}

// A 24-bit BMP with rows top-down (negative height) and the pixels of colour_at.
std::string top_down_bmp(int w, int h) {
  int stride = (3 * w + 3) / 4 * 4;
  std::string b(54 + size_t(stride) * h, '\0');
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(w));
  put32(b, 22, uint32_t(-h));
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint32_t c = colour_at(x, y);
      size_t at = 54 + size_t(y) * stride + 3 * x;
      b[at] = char(c), b[at + 1] = char(c >> 8), b[at + 2] = char(c >> 16);
    }
  return b;
}

void expect_colours(const std::string& png, int w, int h) {
  Image img;
  ASSERT_TRUE(vt_test::read_png(png, &img)) << png;
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) ASSERT_EQ(img.pixel(x, y), colour_at(x, y)) << x << "," << y;
}

// The screenshot code's own command line (bmp2png -9 -E NAME), on a bottom-up BMP with padded
// rows (7 pixels: 21 bytes of pixels and 3 of padding per row).
TEST(E2eBmp2png, ConvertsTheLibrarysScreenshotAndDeletesTheBmp) {
  vt_test::GlContext gl{7, 5};
  ASSERT_TRUE(gl.ok());
  screen_w = gl.width;
  screen_h = gl.height;
  glBegin(GL_POINTS);
  for (int y = 0; y < gl.height; y++)
    for (int x = 0; x < gl.width; x++) drawpoint_v(x + 0.5, y + 0.5, colour_at(x, y));
  glEnd();
  glFinish();

  TempDir dir;
  std::string old_path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (std::string(VANTOREL_BIN_DIR) + ":" + old_path).c_str(), 1);
  screenshot_window(dir.file("shot 1.bmp").c_str(), 1);
  setenv("PATH", old_path.c_str(), 1);

  EXPECT_EQ(folder_names(dir.path), std::vector<std::string>{"shot 1.png"});
  expect_colours(dir.file("shot 1.png"), 7, 5);
}

TEST(E2eBmp2png, TopDownRowsAtEveryLevelKeepTheBmpWithoutE) {
  TempDir dir;
  const std::string bmp = top_down_bmp(6, 4);
  ASSERT_TRUE(vt_test::write_file(dir.file("a.BMP"), bmp));
  ASSERT_TRUE(vt_test::write_file(dir.file("a.png"), "old"));  // replaced
  for (const char* level : {"-0", "-9"}) {
    RunResult r = bmp2png({level, dir.file("a.BMP")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    expect_colours(dir.file("a.png"), 6, 4);
  }
  EXPECT_EQ(vt_test::read_file(dir.file("a.BMP")), bmp);
}

TEST(E2eBmp2png, BadFilesAreKeptWithOneErrorLine) {
  TempDir dir;
  const std::string good = top_down_bmp(6, 4);
  std::string eight_bit = good;
  eight_bit[28] = 8;
  std::string rle = good;
  rle[30] = 1;
  std::string huge = good;
  put32(huge, 18, 0x7FFFFFFF);
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"cut.bmp", good.substr(0, good.size() - 3), "truncated"},  // into the last pixel
      {"header.bmp", good.substr(0, 40), "too short"},
      {"text.bmp", std::string(80, 'x'), "not a BMP"},
      {"8bit.bmp", eight_bit, "24-bit"},
      {"rle.bmp", rle, "compressed"},
      {"huge.bmp", huge, "too large"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(vt_test::write_file(dir.file(c.name), c.bytes));
    RunResult r = bmp2png({"-9", "-E", dir.file(c.name)});
    EXPECT_EQ(r.exit_code, 1) << c.name;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(c.name), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(vt_test::read_file(dir.file(c.name)), c.bytes) << c.name;
  }
  RunResult missing = bmp2png({"-E", dir.file("none.bmp")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(folder_names(dir.path).size(), std::size(cases));  // no PNG, no temporary
}

}  // namespace
