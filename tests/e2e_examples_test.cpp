// The examples off-screen: each example-NAME-headless runs under an input script and its snapshots
// (or files) are checked where the example puts things: colours at known places, text by its ink
// in a region, the recording through animtool and the real player, screenshots against the
// picture shown.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

int red(uint32_t p) { return int(p >> 16); }
int green(uint32_t p) { return int((p >> 8) & 0xFF); }
int blue(uint32_t p) { return int(p & 0xFF); }

// Largest difference of one channel between two colours.
int channel_diff(uint32_t a, uint32_t b) {
  return std::max({std::abs(red(a) - red(b)), std::abs(green(a) - green(b)),
                   std::abs(blue(a) - blue(b))});
}

// Pixels of the rectangle [x0, x1) x [y0, y1) for which the test holds.
int count(const Image& im, int x0, int y0, int x1, int y1,
          const std::function<bool(uint32_t)>& test) {
  int n = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++)
      if (test(im.pixel(x, y))) n++;
  return n;
}

// The rightmost column of the rectangle holding a pixel for which the test holds, or -1.
int rightmost(const Image& im, int x0, int y0, int x1, int y1,
              const std::function<bool(uint32_t)>& test) {
  for (int x = x1 - 1; x >= x0; x--)
    for (int y = y0; y < y1; y++)
      if (test(im.pixel(x, y))) return x;
  return -1;
}

bool white(uint32_t p) { return red(p) > 200 && green(p) > 200 && blue(p) > 200; }

// The largest channel difference between a and the part of b at (bx, by), over a's size.
int picture_diff(const Image& a, const Image& b, int bx = 0, int by = 0) {
  int worst = 0;
  for (int y = 0; y < a.height; y++)
    for (int x = 0; x < a.width; x++)
      worst = std::max(worst, channel_diff(a.pixel(x, y), b.pixel(bx + x, by + y)));
  return worst;
}

// A 24-bit uncompressed BMP with bottom-up rows, as the screenshot calls write it.
bool read_bmp(const std::string& path, Image* out) {
  std::string bytes = vt_test::read_file(path);
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
  };
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  int w = int(u32(18)), h = int(u32(22)), bits = uint8_t(bytes[28]);
  size_t offset = u32(10), stride = (size_t(w) * 3 + 3) / 4 * 4;
  if (bits != 24 || w <= 0 || h <= 0 || bytes.size() < offset + stride * size_t(h)) return false;
  out->width = w, out->height = h;
  out->rgb.assign(size_t(w) * h * 3, 0);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const char* p = &bytes[offset + stride * size_t(h - 1 - y) + size_t(x) * 3];
      uint8_t* q = &out->rgb[(size_t(y) * w + x) * 3];
      q[0] = uint8_t(p[2]), q[1] = uint8_t(p[1]), q[2] = uint8_t(p[0]);
    }
  return true;
}

class Example : public ::testing::Test {
 protected:
  // Runs example-NAME-headless in the temporary folder under the script.
  RunResult run(const std::string& name, const std::string& script,
                const std::vector<std::string>& args = {}, std::vector<std::string> env = {}) {
    EXPECT_TRUE(vt_test::write_file(dir.file("script.txt"), script));
    std::vector<std::string> argv{vt_test::bin_path("examples/example-" + name + "-headless")};
    argv.insert(argv.end(), args.begin(), args.end());
    env.push_back("VANTOREL_SCRIPT=script.txt");
    return vt_test::run_program(argv, dir.path, env, "", 120);
  }
  Image png(const std::string& name) {
    Image im;
    EXPECT_TRUE(vt_test::read_png(dir.file(name), &im)) << name;
    return im;
  }
  TempDir dir;
};

TEST_F(Example, FirstProgramOfTheGuide) {
  RunResult r = run("first_program", "3 snapshot first.png\n4 down q\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("first.png");
  ASSERT_EQ(im.width, 640);
  EXPECT_EQ(im.pixel(600, 300), 0x202840u);  // the background colour, from the first frame on
  EXPECT_EQ(im.pixel(320, 200), 0xFFC020u);  // the disc
  EXPECT_EQ(im.pixel(320, 265), 0x202840u);  // just below it
  EXPECT_GT(count(im, 18, 18, 240, 44, white), 150);  // "Hello from Vantorel"

  // With no script nobody can press Q: the backend presses the close button after its frames.
  std::string bin = vt_test::bin_path("examples/example-first_program-headless");
  r = vt_test::run_program({bin}, dir.path, {}, "", 120);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = vt_test::run_program({vt_test::bin_path("examples/example-input-headless")}, dir.path,
                           {"VANTOREL_FRAMES=2"}, "", 120);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Window closed; the line held \"\".\n");
  r = vt_test::run_program({bin}, dir.path, {"VANTOREL_FRAMES=soon"}, "", 120);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("VANTOREL_FRAMES must be a number of frames"), std::string::npos) << r.err;
}

TEST_F(Example, WindowTextWritesItsLines) {
  RunResult r = run("window_text", "10 snapshot text.png\n11 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("text.png");
  ASSERT_EQ(im.width, 640);
  ASSERT_EQ(im.height, 360);
  EXPECT_EQ(im.pixel(600, 300), 0x202840u);  // the background colour, exactly
  EXPECT_GT(count(im, 20, 18, 240, 44, white), 150);  // "Hello from Vantorel"
  auto yellow = [](uint32_t p) { return red(p) > 200 && green(p) > 180 && blue(p) < 140; };
  EXPECT_GT(count(im, 20, 60, 400, 110, yellow), 400);  // the large line
  // The wrapped line: two rows, nothing right of the limit.
  EXPECT_GT(count(im, 20, 218, 320, 240, white), 150);
  EXPECT_GT(count(im, 20, 240, 320, 262, white), 150);
  EXPECT_EQ(count(im, 330, 210, 640, 270, white), 0);
}

TEST_F(Example, Shapes2dDrawsEachPrimitiveInPlace) {
  RunResult r = run("shapes2d", "30 snapshot shapes.png\n31 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("shapes.png");
  const uint32_t background = im.pixel(320, 150);
  EXPECT_EQ(background, 0x1A1A1Au);
  EXPECT_EQ(im.pixel(80, 60), 0xE04040u);    // filled box
  EXPECT_EQ(im.pixel(220, 60), background);  // inside the outlined one
  EXPECT_GT(count(im, 158, 55, 163, 65, [](uint32_t p) { return p == 0x40E040; }), 5);
  EXPECT_GT(count(im, 298, 55, 303, 65, [](uint32_t p) { return p == 0x4080FF; }), 5);
  EXPECT_EQ(im.pixel(80, 200), 0xFFC020u);   // filled circle
  EXPECT_EQ(im.pixel(220, 200), background);  // outlined circle
  EXPECT_GT(count(im, 215, 148, 225, 153, [](uint32_t p) { return p == 0x20C0FF; }), 3);
  // The quarter pie lies up and right of its centre (360, 200) only.
  EXPECT_EQ(im.pixel(380, 180), 0xFF40FFu);
  EXPECT_EQ(im.pixel(340, 180), background);
  EXPECT_EQ(im.pixel(380, 220), background);
  // After 30 frames the ring sector spans 90 degrees clockwise from the top.
  EXPECT_EQ(im.pixel(528, 172), 0x40FF80u);
  EXPECT_EQ(im.pixel(528, 228), background);
  EXPECT_EQ(im.pixel(472, 172), background);
  // Half-transparent white over dark blue.
  EXPECT_LE(channel_diff(im.pixel(540, 40), 0x90A0D0), 3) << std::hex << im.pixel(540, 40);
  EXPECT_EQ(im.pixel(400, 320), 0xFFFF00u);  // a point, and the gap after it
  EXPECT_EQ(im.pixel(402, 320), background);
  EXPECT_GT(count(im, 18, 290, 22, 310, white), 15);  // the fan's vertical line
}

TEST_F(Example, InputFollowsKeysCharactersAndTheMouse) {
  RunResult r = run("input",
                    "1 char hello\n2 down right\n12 up right\n12 mouse 400 250\n"
                    "13 mouse 400 250 l\n14 wheel up\n16 snapshot input.png\n17 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("input.png");
  EXPECT_EQ(im.pixel(360, 180), 0xFFFFFFu);  // the square, 10 frames x 4 pixels to the right
  EXPECT_NE(im.pixel(305, 180), 0xFFFFFFu);
  EXPECT_EQ(im.pixel(400, 250), 0xFF8020u);  // left button held: filled
  EXPECT_EQ(im.pixel(435, 250), 0xFF8020u);  // the wheel made it 40 pixels wide, not 30
  EXPECT_GT(count(im, 18, 14, 90, 40, white), 60);  // "hello" in white (the hint is grey)
  r = run("input", "1 press q\n3 snapshot still.png\n4 down esc\n");  // Q is typed, not quit
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(vt_test::file_exists(dir.file("still.png")));
  // It takes the window's close itself (gfx_close_returns) and ends its own way.
  r = run("input", "1 char hi\n3 close\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Window closed; the line held \"hi\".\n");
}

TEST_F(Example, RecordAnimWritesAFileThePlayerShows) {
  RunResult r = run("record_anim", "90 snapshot own.png\n91 quit\n", {"rec.anim"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Recorded 90 frames into rec.anim"), std::string::npos) << r.out;
  Image own = png("own.png");
  ASSERT_EQ(own.width, 320);
  ASSERT_EQ(own.height, 270);

  RunResult info = vt_test::run_program({vt_test::bin_path("animtool"), "info", "rec.anim"},
                                        dir.path);
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("version: 2\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("frames: 90\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("extent: 320x240\n"), std::string::npos) << info.out;

  // The file's last picture is the example's last frame (the palette's rounding aside), and the
  // balls moved on the way there.
  ASSERT_EQ(vt_test::run_program({vt_test::bin_path("animtool"), "render", "rec.anim", "-o",
                                  "last.png"}, dir.path).exit_code, 0);
  ASSERT_EQ(vt_test::run_program({vt_test::bin_path("animtool"), "render", "rec.anim",
                                  "--frames", "1", "-o", "first.png"}, dir.path).exit_code, 0);
  Image last = png("last.png"), first = png("first.png");
  ASSERT_EQ(last.width, 320);
  ASSERT_EQ(last.height, 240);
  EXPECT_LE(picture_diff(last, own), 2);
  EXPECT_GT(picture_diff(first, own), 100);
  EXPECT_GT(count(last, 0, 0, 320, 230, [](uint32_t p) { return p != 0; }), 2000);

  // The player shows the same picture after the last frame.
  ASSERT_TRUE(vt_test::write_file(dir.file("play.txt"), "91 snapshot played.png\n200 quit\n"));
  RunResult play = vt_test::run_program({vt_test::bin_path("vantorel-headless"), "-once",
                                         "-fms:1", "-res:320x240", "rec.anim"},
                                        dir.path, {"VANTOREL_SCRIPT=play.txt"}, "", 120);
  ASSERT_EQ(play.exit_code, 0) << play.err;
  Image played = png("played.png");
  EXPECT_LE(picture_diff(played, own), 2);

  // A file that cannot be made ends the example through the fatal path, which logs it.
  r = run("record_anim", "5 quit\n", {"no/such/folder/x.anim"});
  EXPECT_NE(r.err.find("Cannot write the recording 'no/such/folder/x.anim'."), std::string::npos)
      << r.err;
  EXPECT_NE(vt_test::read_file(dir.file("graphics_error.log")).find("Cannot write the recording"),
            std::string::npos);
}

TEST_F(Example, ScreenshotSavesTheFrameShown) {
  // bmp2png, which the P key runs, is found on the PATH.
  std::string path = std::string("PATH=") + VANTOREL_BIN_DIR + ":" + getenv("PATH");
  RunResult r = run("screenshot",
                    "10 press s\n11 snapshot at11.png\n20 press r\n21 snapshot at21.png\n"
                    "25 press p\n26 snapshot at26.png\n30 quit\n",
                    {}, {path});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image shot, region, at11 = png("at11.png"), at21 = png("at21.png"), at26 = png("at26.png");
  ASSERT_TRUE(read_bmp(dir.file("shot1.bmp"), &shot));
  ASSERT_EQ(shot.width, 480);
  ASSERT_EQ(shot.height, 270);
  EXPECT_EQ(picture_diff(shot, at11), 0);
  EXPECT_EQ(shot.pixel(60, 60), 0xC03030u);
  EXPECT_EQ(shot.pixel(420, 210), 0xC0A020u);
  ASSERT_TRUE(read_bmp(dir.file("region1.bmp"), &region));
  ASSERT_EQ(region.width, 120);
  ASSERT_EQ(region.height, 120);
  EXPECT_EQ(picture_diff(region, at21, 180, 75), 0);
  EXPECT_NE(picture_diff(at11, at21), 0);  // the hand turned in between
  // P: converted to PNG, the BMP removed.
  Image converted = png("shot2.png");
  EXPECT_FALSE(vt_test::file_exists(dir.file("shot2.bmp")));
  ASSERT_EQ(converted.width, 480);
  EXPECT_EQ(picture_diff(converted, at26), 0);

  // Without bmp2png the BMP stays, and the program says so once, under its own name.
  r = run("screenshot", "2 press p\n4 press p\n6 quit\n", {}, {"PATH=/nonexistent"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string said = "example-screenshot-headless: bmp2png cannot be run";
  size_t at = r.err.find(said);
  EXPECT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(said, at + 1), std::string::npos) << r.err;
}

TEST_F(Example, CaptionsShowOnTheirFrames) {
  RunResult r = run("captions",
                    "16 snapshot first.png\n46 snapshot second.png\n71 snapshot gap.png\n"
                    "72 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(vt_test::read_file(dir.file("example_captions.txt")).find("31,60,A second one"),
            std::string::npos);
  Image first = png("first.png"), second = png("second.png"), gap = png("gap.png");
  // The band three quarters down: one row of text on frame 15, two on frame 45, none on 70.
  EXPECT_GT(count(first, 45, 268, 600, 292, white), 300);
  EXPECT_EQ(count(first, 45, 294, 600, 320, white), 0);
  EXPECT_GT(count(second, 45, 268, 600, 292, white), 300);
  EXPECT_GT(count(second, 45, 294, 600, 320, white), 100);
  EXPECT_EQ(count(gap, 0, 200, 640, 360, white), 0);

  // A caption file of the user's: its one caption starts on frame 20.
  ASSERT_TRUE(vt_test::write_file(dir.file("mine.txt"), "20,30,Mine\n"));
  r = run("captions", "16 snapshot before.png\n26 snapshot during.png\n27 quit\n", {"mine.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(count(png("before.png"), 0, 200, 640, 360, white), 0);
  EXPECT_GT(count(png("during.png"), 45, 268, 600, 292, white), 50);
}

TEST_F(Example, MarkupConvertsGreekScriptsColoursAndTabs) {
  RunResult r = run("markup", "1 char pi r^2\n3 snapshot markup.png\n4 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("markup.png");
  // Converted lines start at x = 340. "alpha beta gamma delta" becomes four letters, much
  // narrower than the names.
  EXPECT_GT(count(im, 340, 118, 640, 146, white), 50);
  EXPECT_LT(rightmost(im, 340, 118, 640, 146, white), 440);
  // "#col=...#orange": orange ink; "#tab=560#tab": the pen jumps, leaving a gap.
  auto orange = [](uint32_t p) { return red(p) > 200 && green(p) > 90 && green(p) < 170 && blue(p) < 90; };
  EXPECT_GT(count(im, 340, 218, 420, 244, orange), 40);
  EXPECT_EQ(count(im, 470, 218, 555, 244, white), 0);
  EXPECT_GT(count(im, 555, 218, 600, 244, white), 30);
  // The typed "pi r^2" converted: a short line of ink.
  EXPECT_GT(count(im, 340, 303, 640, 330, white), 30);
  EXPECT_LT(rightmost(im, 340, 303, 640, 330, white), 385);
}

TEST_F(Example, Shapes3dIsLitAndTurns) {
  RunResult r = run("shapes3d",
                    "2 snapshot front.png\n2 down right\n12 snapshot turned.png\n13 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image im = png("front.png"), turned = png("turned.png");
  uint32_t lit = im.pixel(150, 165), shadow = im.pixel(225, 235);  // the sphere, both sides
  EXPECT_GT(red(lit), 200);
  EXPECT_LT(green(lit) + blue(lit), red(lit));
  EXPECT_GT(red(shadow), 40);
  EXPECT_GT(red(lit), red(shadow) + 80);  // lit from the upper left
  uint32_t cylinder = im.pixel(345, 200), cube = im.pixel(470, 240);
  EXPECT_GT(green(cylinder), red(cylinder) + 60);
  EXPECT_GT(blue(cube), red(cube) + 100);
  EXPECT_LT(channel_diff(im.pixel(600, 40), 0x0D0D14), 3);  // the clear colour
  EXPECT_GT(count(im, 10, 8, 380, 30, white), 300);         // the title line
  // Turned by 30 degrees, the cube has moved off its old right edge.
  EXPECT_GT(blue(im.pixel(510, 240)), red(im.pixel(510, 240)) + 100);
  EXPECT_LT(blue(turned.pixel(510, 240)), red(turned.pixel(510, 240)) + 30);
}

TEST_F(Example, SkyboxSurroundsTheViewAndTurnsWithIt) {
  RunResult r = run("skybox", "2 snapshot level.png\n2 down 0x26\n12 snapshot up.png\n13 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image level = png("level.png"), up = png("up.png");
  uint32_t top = level.pixel(40, 10), bottom = level.pixel(40, 350);
  EXPECT_GT(blue(top), red(top) + 60);        // sky above
  EXPECT_GT(green(bottom), red(bottom) + 40);  // ground below
  EXPECT_GT(green(bottom), blue(bottom) + 40);
  auto sun = [](uint32_t p) { return red(p) > 220 && green(p) > 120 && green(p) < 190 && blue(p) < 90; };
  EXPECT_GT(count(level, 240, 0, 400, 180, sun), 2000);
  // Looking up by 30 degrees: the ground has left the bottom of the picture.
  uint32_t low = up.pixel(40, 350);
  EXPECT_GT(blue(low), green(low) + 20);
  EXPECT_GT(blue(low), red(low) + 40);
}

TEST_F(Example, BlurText3dBlursThePanelAndDrawsTintedText) {
  RunResult r = run("blur_text3d",
                    "2 snapshot blurred.png\n2 press b\n4 snapshot sharp.png\n5 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image blurred = png("blurred.png"), sharp = png("sharp.png");
  // Sharp, the checks have their two colours exactly; blurred, most pixels lie between them.
  auto check = [](uint32_t p) { return p == 0x404860 || p == 0x202430; };
  EXPECT_GT(count(sharp, 410, 100, 610, 300, check), 38000);
  EXPECT_LT(count(blurred, 410, 100, 610, 300, check), 10000);
  EXPECT_GT(count(blurred, 10, 300, 390, 350, check), 18000);  // outside the panel: sharp
  // The 3D text, its colour running from orange to pink along the line.
  auto orange = [](uint32_t p) { return red(p) > 200 && green(p) > 100 && blue(p) < 110; };
  auto pink = [](uint32_t p) { return red(p) > 200 && green(p) < 110 && blue(p) > 130; };
  EXPECT_GT(count(blurred, 0, 60, 400, 260, orange), 100);
  EXPECT_GT(count(blurred, 0, 60, 400, 260, pink), 100);
  EXPECT_GT(count(blurred, 400, 40, 620, 80, white), 60);  // the label
}

// The Python example, through ctypes and the self-contained library of the build tree: 30 frames
// recorded (as animtool tells) and a screenshot of the last one.
TEST_F(Example, PythonRecordsThirtyFramesAndAScreenshot) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitizer build's library cannot load into a plain interpreter";
#endif
  RunResult r = vt_test::run_program(
      {vt_test::installed_tool("python3"), vt_test::source_path("examples/python/record_shapes.py"),
       dir.path},
      dir.path, {"VANTOREL_LIBRARY=" + vt_test::bin_path("libvantorel-headless.so.1")}, "", 120);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  RunResult info = vt_test::run_program({vt_test::bin_path("animtool"), "info", "shapes.anim"},
                                        dir.path, {}, "", 60);
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("frames: 30\nextent: 320x240\n"), std::string::npos) << info.out;
  Image shot;
  ASSERT_TRUE(read_bmp(dir.file("shapes.bmp"), &shot));
  ASSERT_EQ(shot.width, 320);
  EXPECT_EQ(shot.pixel(5, 230), 0x102060u);   // background
  EXPECT_EQ(shot.pixel(60, 50), 0xFF8000u);   // the box
  EXPECT_EQ(shot.pixel(263, 160), 0xFFFF00u);  // the disc after 29 steps of 7 pixels
  EXPECT_GT(count(shot, 128, 28, 230, 50, white), 40);  // "Frame 30"
}

}  // namespace
