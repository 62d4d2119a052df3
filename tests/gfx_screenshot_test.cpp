// Screenshots under OSMesa: BMP headers, padded bottom-up rows checked byte by byte and by an
// independent decoder (a few lines of Python), clock-derived names, the bmp2png conversion run
// without a shell (a stand-in converter records its arguments), and the pointer marker.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/clock.h"
#include "gfx/draw2d.h"
#include "gfx/screenshot.h"
#include "gfx/shell_state.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

uint32_t u32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}
uint32_t u16(const std::string& s, size_t at) { return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8; }

// Reads a 24-bit BMP the plain way, to check our writer against something that is not us.
const char* const kPythonDecoder = R"(import struct, sys
d = open(sys.argv[1], 'rb').read()
assert d[:2] == b'BM'
size, off = struct.unpack_from('<I', d, 2)[0], struct.unpack_from('<I', d, 10)[0]
w, h, planes, bpp = struct.unpack_from('<iiHH', d, 18)
assert size == len(d) and planes == 1 and bpp == 24 and h > 0
stride = (w * 3 + 3) // 4 * 4
rows = []
for r in range(h):
    row = d[off + (h - 1 - r) * stride : off + (h - r) * stride]
    rows.append(' '.join('%02x%02x%02x' % (row[3 * i + 2], row[3 * i + 1], row[3 * i]) for i in range(w)))
print(w, h)
print('\n'.join(rows))
)";

// Runs the tests in a temporary directory with a stand-in bmp2png first in PATH; it appends its
// arguments, each followed by a zero byte, to the file "calls".
class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = gl.width;
    screen_h = gl.height;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_cwd = cwd;
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    ASSERT_EQ(mkdir((dir.path + "/bin").c_str(), 0755), 0);
    std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> '" + dir.file("calls") +
                         "'\nprintf '\\n' >> '" + dir.file("calls") + "'\n";
    ASSERT_TRUE(vt_test::write_file(dir.file("bin/bmp2png"), script));
    ASSERT_EQ(chmod(dir.file("bin/bmp2png").c_str(), 0755), 0);
    const char* path = getenv("PATH");
    old_path = path ? path : "";
    setenv("PATH", (dir.path + "/bin:" + old_path).c_str(), 1);
  }
  void TearDown() override {
    glFinish();
    setenv("PATH", old_path.c_str(), 1);
    if (!old_cwd.empty() && chdir(old_cwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_cwd;
  }

  // Every pixel a different colour: red = x * 8, green = y * 8, blue = 0x40.
  void draw_pattern() {
    glBegin(GL_POINTS);
    for (int y = 0; y < gl.height; y++)
      for (int x = 0; x < gl.width; x++) drawpoint_v(x + 0.5, y + 0.5, colour_at(x, y));
    glEnd();
  }
  static uint32_t colour_at(int x, int y) { return uint32_t((x * 8) & 0xFF) << 16 | uint32_t((y * 8) & 0xFF) << 8 | 0x40; }

  // The converter's recorded calls, each as its argument list.
  std::vector<std::vector<std::string>> calls() {
    std::vector<std::vector<std::string>> out;
    std::string all = vt_test::read_file(dir.file("calls"));
    std::vector<std::string> args;
    std::string arg;
    for (char c : all) {
      if (c == '\0') {
        args.push_back(arg);
        arg.clear();
      } else if (c == '\n' && arg.empty()) {
        out.push_back(args);
        args.clear();
      } else {
        arg += c;
      }
    }
    return out;
  }

  vt_test::GlContext gl{40, 30};
  vt_test::TempDir dir;
  std::string old_cwd, old_path;
};

TEST_F(ScreenshotTest, HeaderAndPaddedRowsBottomFirst) {
  draw_pattern();
  glFinish();
  for (int w : {1, 4}) {
    std::string name = "region" + std::to_string(w) + ".bmp";
    save_bmp(3, 5, w, 3, name.c_str(), 0);
    std::string f = vt_test::read_file(dir.file(name));
    int stride = w == 1 ? 4 : 12;
    ASSERT_EQ(f.size(), size_t(54 + stride * 3));
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(u32(f, 2), uint32_t(f.size()));
    EXPECT_EQ(u32(f, 6), 0u);
    EXPECT_EQ(u32(f, 10), 54u);
    EXPECT_EQ(u32(f, 14), 40u);
    EXPECT_EQ(u32(f, 18), uint32_t(w));
    EXPECT_EQ(u32(f, 22), 3u);
    EXPECT_EQ(u16(f, 26), 1u);
    EXPECT_EQ(u16(f, 28), 24u);
    EXPECT_EQ(u32(f, 30), 0u);
    EXPECT_EQ(u32(f, 34), uint32_t(stride * 3));
    EXPECT_EQ(u32(f, 38), 2834u);
    EXPECT_EQ(u32(f, 42), 2834u);
    EXPECT_EQ(u32(f, 46), 0u);
    EXPECT_EQ(u32(f, 50), 0u);
    for (int row = 0; row < 3; row++) {
      int y = 5 + 2 - row;  // the bottom row of the region comes first
      for (int x = 0; x < w; x++) {
        uint32_t c = colour_at(3 + x, y);
        size_t at = 54 + size_t(row) * stride + size_t(x) * 3;
        EXPECT_EQ(uint8_t(f[at]), c & 0xFF);
        EXPECT_EQ(uint8_t(f[at + 1]), (c >> 8) & 0xFF);
        EXPECT_EQ(uint8_t(f[at + 2]), c >> 16);
      }
      for (int p = w * 3; p < stride; p++) EXPECT_EQ(f[54 + size_t(row) * stride + p], '\0');
    }
  }
  EXPECT_TRUE(calls().empty());
}

TEST_F(ScreenshotTest, IndependentDecoderReadsTheWholeWindow) {
  if (!vt_test::file_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  draw_pattern();
  screenshot_window("window.bmp", 0);
  ASSERT_TRUE(vt_test::write_file(dir.file("decode.py"), kPythonDecoder));
  vt_test::RunResult r = vt_test::run_program({"/usr/bin/python3", dir.file("decode.py"), dir.file("window.bmp")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::istringstream in(r.out);
  int w = 0, h = 0;
  in >> w >> h;
  ASSERT_EQ(w, 40);
  ASSERT_EQ(h, 30);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      std::string hex;
      in >> hex;
      ASSERT_EQ(std::stoul(hex, nullptr, 16), gl.pixel(x, y)) << x << "," << y;
      ASSERT_EQ(gl.pixel(x, y), colour_at(x, y));
    }
}

TEST_F(ScreenshotTest, FullScreenFileSize) {
  vt_test::GlContext big(640, 480);
  ASSERT_TRUE(big.ok());
  screen_w = 640;
  screen_h = 480;
  screenshot_window("big.bmp", 0);
  glFinish();
  EXPECT_EQ(vt_test::read_file(dir.file("big.bmp")).size(), 921654u);
}

double fake_clock() { return 12.1; }

TEST_F(ScreenshotTest, NamesFromTheClockAndConversion) {
  char name[32];
  screenshot_name(12.1, name, sizeof name);
  EXPECT_STREQ(name, "screenshot00040.bmp");
  screenshot_name(30000.1, name, sizeof name);
  EXPECT_STREQ(name, "screenshot00000.bmp");
  screenshot_name(29999.9, name, sizeof name);
  EXPECT_STREQ(name, "screenshot99999.bmp");
  screenshot_name(-0.6, name, sizeof name);
  EXPECT_STREQ(name, "screenshot99998.bmp");

  double (*saved)() = gfx_clock;
  gfx_clock = fake_clock;
  screenshot_auto();
  gfx_clock = saved;
  EXPECT_EQ(vt_test::read_file(dir.file("screenshot00040.bmp")).size(), size_t(54 + 120 * 30));
  auto c = calls();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0], (std::vector<std::string>{"-9", "-E", "screenshot00040.bmp"}));
}

TEST_F(ScreenshotTest, FileNameReachesTheConverterUnharmed) {
  const std::string names[] = {
      "a b;touch pwned1 && echo $(touch pwned2) `touch pwned3` 'q\" | > x & *.bmp",
      "-- leading dash.bmp",
      std::string(150, 'n') + ".bmp",  // longer than any fixed command buffer
  };
  for (const std::string& name : names) save_bmp(0, 0, 2, 2, name.c_str(), 1);
  auto c = calls();
  ASSERT_EQ(c.size(), 3u);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(c[size_t(i)], (std::vector<std::string>{"-9", "-E", names[i]}));
    EXPECT_TRUE(vt_test::file_exists(dir.file(names[i])));
  }
  for (const char* f : {"pwned1", "pwned2", "pwned3", "x"}) EXPECT_FALSE(vt_test::file_exists(dir.file(f))) << f;
}

// A missing converter keeps the BMP and is said once (not at every screenshot); an unwritable
// file or a negative size writes and converts nothing.
TEST_F(ScreenshotTest, MissingConverterIsSaidOnceAndUnwritableFileIsSilent) {
  setenv("PATH", dir.file("nothing-here").c_str(), 1);
  testing::internal::CaptureStderr();
  save_bmp(0, 0, 2, 2, "plain.bmp", 1);
  save_bmp(0, 0, 2, 2, "again.bmp", 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(": bmp2png cannot be run, so screenshots stay BMP files (plain.bmp)\n"),
            std::string::npos) << err;
  EXPECT_EQ(err.find("again.bmp"), std::string::npos) << err;
  EXPECT_EQ(vt_test::read_file(dir.file("plain.bmp")).size(), size_t(54 + 8 * 2));

  setenv("PATH", (dir.path + "/bin:" + old_path).c_str(), 1);
  save_bmp(0, 0, 2, 2, dir.file("no/such/dir/x.bmp").c_str(), 1);
  save_bmp(0, 0, -2, 2, "negative.bmp", 1);
  EXPECT_FALSE(vt_test::file_exists(dir.file("negative.bmp")));
  EXPECT_TRUE(calls().empty());  // nothing written, nothing to convert
}

TEST_F(ScreenshotTest, DarkPixels) {
  // Red in bits 0-7, green 8-15, blue 16-23, as the bytes lie in memory.
  EXPECT_EQ(is_dark(0xFFFFFF), 0);  // 2805
  EXPECT_EQ(is_dark(0x000000), 1);  // 0
  EXPECT_EQ(is_dark(0x00FF00), 0);  // green 1530
  EXPECT_EQ(is_dark(0x0000FF), 1);  // red 765
  EXPECT_EQ(is_dark(0xFF0000), 1);  // blue 510
  EXPECT_EQ(is_dark(0x808080), 0);  // 1408: just light
  EXPECT_EQ(is_dark(0x7F7F7F), 1);  // 1397
}

TEST_F(ScreenshotTest, MarkerContrastsWithThePixelBesideThePointer) {
  vt_test::GlContext wide(400, 300);  // a = 2, b = 4 pixels
  ASSERT_TRUE(wide.ok());
  screen_w = 400;
  screen_h = 300;
  for (uint32_t sample : {0x808080u, 0x404040u}) {
    fillbox(0, 0, 400, 300, 0x808080);
    drawpoint(12.5, 11.5, sample);  // mouse (10, 10) plus (400 / 200, 300 / 200)
    mouse_x = 10;
    mouse_y = 10;
    mouse_marker();
    EXPECT_EQ(wide.pixel(13, 13), sample == 0x808080u ? 0x000000u : 0xFFFFFFu);
  }
  // At the bottom-right corner the sample is the corner pixel itself.
  fillbox(0, 0, 400, 300, 0x808080);
  drawpoint(399.5, 299.5, 0x202020);
  mouse_x = 399;
  mouse_y = 299;
  mouse_marker();
  EXPECT_EQ(wide.pixel(399, 299), 0xFFFFFFu);
  mouse_x = mouse_y = 0;
}

TEST_F(ScreenshotTest, PointerKeepsLighting) {
  glEnable(GL_LIGHTING);
  draw_pointer(0.5f);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  glDisable(GL_LIGHTING);
  draw_pointer(1.0f);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_FLOAT_EQ(c[0], 1.0f);
}

}  // namespace
