// The headless player's extra keys and dropped files, scripted: Space pauses, Right and "." step
// one frame only while paused, S writes the picture on screen into the starting folder and names
// it on standard error, F11 goes full screen on the display's mode and back (a resize: frame 1
// again), a dropped file plays from its first frame with a new title and the same captions.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

using vt_test::BlockFill;
using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

RunResult play(const TempDir& dir, const std::vector<std::string>& args, const std::string& script) {
  vt_test::write_file(dir.file("script.txt"), script);
  std::vector<std::string> argv{vt_test::bin_path("vantorel-headless")};
  argv.insert(argv.end(), args.begin(), args.end());
  // No converter on the path: the screenshot stays a BMP, whatever is installed.
  return vt_test::run_program(argv, dir.path,
                              {"VANTOREL_SCRIPT=script.txt", "VANTOREL_SCREEN=800x600",
                               "VANTOREL_TRACE=1", "PATH=/nonexistent"},
                              "", 120);
}

// Frame k fills block (k % 8, k / 8 % 6) with its own colour: every frame changes the picture.
std::string steps_anim() {
  std::vector<std::vector<BlockFill>> frames;
  for (int k = 0; k < 40; k++) frames.push_back({{k % 8, (k / 8) % 6, 20 + 5 * k}});
  return vt_test::block_fill_anim(frames);
}

Image picture_after(const std::string& anim, int w, int h, int frames) {
  std::vector<uint32_t> c = vt_test::canvas_colours_after(anim, w, h, frames);
  Image img;
  img.width = w, img.height = h;
  for (uint32_t p : c) img.rgb.insert(img.rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  return img;
}

bool same(const std::string& png, const Image& want) {
  Image got;
  return vt_test::read_png(png, &got) && got.width == want.width && got.height == want.height &&
         got.rgb == want.rgb;
}

// A 24-bit bottom-up BMP as written by the screenshot code, as an Image.
bool read_bmp(const std::string& path, Image* out) {
  std::string b = vt_test::read_file(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
  };
  out->width = int(u32(18)), out->height = int(u32(22));
  size_t stride = (size_t(out->width) * 3 + 3) / 4 * 4;
  if (b.size() != 54 + stride * out->height) return false;
  out->rgb.clear();
  for (int y = out->height - 1; y >= 0; y--)
    for (int x = 0; x < out->width; x++) {
      const char* p = &b[54 + stride * y + 3 * x];
      out->rgb.insert(out->rgb.end(), {uint8_t(p[2]), uint8_t(p[1]), uint8_t(p[0])});
    }
  return true;
}

}  // namespace

TEST(PlayerExtraKeys, SpacePausesRightAndPeriodStepScreenshotGoesToTheStartFolder) {
  TempDir dir;
  std::string anim = dir.file("steps.anim");
  ASSERT_TRUE(vt_test::write_file(anim, steps_anim()));
  // Pass p draws frame p while playing; poll p + 1 sees it. Space at poll 2 pauses after frame 2.
  RunResult r = play(dir, {"-res:64x48", "steps.anim"},
                     "2 press space\n5 snapshot paused.png\n"
                     "5 press right\n6 snapshot right.png\n"
                     "7 press period\n8 snapshot period.png\n9 snapshot still.png\n"
                     "9 press space\n11 snapshot resumed.png\n"
                     "12 press right\n13 snapshot playing.png\n"
                     "14 press s\n16 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(same(dir.file("paused.png"), picture_after(anim, 64, 48, 2)));
  EXPECT_TRUE(same(dir.file("right.png"), picture_after(anim, 64, 48, 3)));
  EXPECT_TRUE(same(dir.file("period.png"), picture_after(anim, 64, 48, 4)));
  EXPECT_TRUE(same(dir.file("still.png"), picture_after(anim, 64, 48, 4)));
  EXPECT_TRUE(same(dir.file("resumed.png"), picture_after(anim, 64, 48, 5)));
  // Playing, Right takes no extra frame.
  EXPECT_TRUE(same(dir.file("playing.png"), picture_after(anim, 64, 48, 7)));

  // S after pass 14 (frame 9): the name on standard error, the file in the starting folder.
  const std::string tag = "vantorel: screenshot ";
  size_t at = r.err.find(tag);
  ASSERT_NE(at, std::string::npos) << r.err;
  std::string name = r.err.substr(at + tag.size(), r.err.find('\n', at) - at - tag.size());
  EXPECT_EQ(name.substr(0, dir.path.size() + 11), dir.path + "/screenshot");
  EXPECT_EQ(name.substr(name.size() - 4), ".bmp");
  Image shot;
  ASSERT_TRUE(read_bmp(name, &shot)) << name;
  EXPECT_EQ(shot.rgb, picture_after(anim, 64, 48, 9).rgb);
}

TEST(PlayerExtraKeys, F11GoesFullScreenAndBackAndADroppedFilePlaysWithTheCaptions) {
  TempDir dir;
  std::string first = dir.file("first.anim"), other = dir.file("other.anim");
  ASSERT_TRUE(vt_test::write_file(first, steps_anim()));
  ASSERT_TRUE(vt_test::write_file(other, vt_test::block_fill_anim({{{3, 2, 150}}, {{4, 2, 60}}})));
  ASSERT_TRUE(vt_test::write_file(dir.file("caps.txt"), "1,1000,Hello\n"));
  RunResult r = play(dir, {"-paused", "-res:320x240", "-captionfile:caps.txt", "first.anim"},
                     "3 press f11\n5 snapshot full.png\n"
                     "6 press f11\n8 snapshot window.png\n"
                     "9 drop other.anim\n10 snapshot dropped.png\n"
                     "11 drop missing.anim\n13 snapshot kept.png\n14 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // Full screen covers the 800 x 600 display without a mode change; frame 1 is drawn again.
  EXPECT_NE(r.err.find("headless: full screen 800x600\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("display mode"), std::string::npos) << r.err;
  Image full;
  ASSERT_TRUE(vt_test::read_png(dir.file("full.png"), &full));
  ASSERT_EQ(full.width, 800);
  ASSERT_EQ(full.height, 600);
  Image want_full = picture_after(first, 800, 600, 1);
  EXPECT_EQ(full.pixel(4, 4), want_full.pixel(4, 4));
  EXPECT_NE(full.pixel(4, 4), 0u);
  EXPECT_NE(r.err.find("headless: windowed 320x240\n"), std::string::npos) << r.err;
  Image window;
  ASSERT_TRUE(vt_test::read_png(dir.file("window.png"), &window));
  EXPECT_EQ(window.width, 320);

  // The dropped file: new title, its frame 1 on a black picture, the caption still drawn.
  EXPECT_NE(r.err.find("headless: title Vantorel - other.anim\n"), std::string::npos) << r.err;
  Image other_1 = picture_after(other, 320, 240, 1);
  // Pixels outside the caption band that differ from other's frame 1, and caption pixels lit.
  auto compare = [&](const std::string& png, int* outside_band, int* in_band) {
    Image got;
    *outside_band = *in_band = -1;
    if (!vt_test::read_png(png, &got) || got.width != 320 || got.height != 240) return;
    *outside_band = *in_band = 0;
    for (int y = 0; y < 240; y++)
      for (int x = 0; x < 320; x++) {
        if (y >= 180 && x >= 40 && x < 280)
          *in_band += got.pixel(x, y) != 0;
        else
          *outside_band += got.pixel(x, y) != other_1.pixel(x, y);
      }
  };
  int outside_band, in_band;
  compare(dir.file("dropped.png"), &outside_band, &in_band);
  EXPECT_EQ(outside_band, 0);
  EXPECT_GT(in_band, 20);

  // A file that cannot be opened is reported and the current one plays on.
  EXPECT_NE(r.err.find("vantorel: cannot play dropped file '" + dir.file("missing.anim") +
                       "': No such file or directory\n"),
            std::string::npos)
      << r.err;
  compare(dir.file("kept.png"), &outside_band, &in_band);
  EXPECT_EQ(outside_band, 0);
  EXPECT_GT(in_band, 20);
}
