// The opaque RGB reader and writer: failures come back as 0 or null with a message naming the
// file (nothing ends the process), frames and their statistics, and a picture that stays put at
// the end of the file. The pictures and bytes against animtool are the Python tests' part.
#include "anim/rgb_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/palette.h"
#include "util/test_util.h"

namespace {

TEST(AnimRgbFrames, FailuresReturnAMessageNamingTheFile) {
  vt_test::TempDir dir;
  EXPECT_EQ(anim_rgb_reader_open(dir.file("none.anim").c_str()), nullptr);
  EXPECT_EQ(std::string(anim_rgb_error()), dir.file("none.anim") + ": No such file or directory");
  EXPECT_EQ(anim_rgb_reader_open(dir.path.c_str()), nullptr);
  EXPECT_EQ(std::string(anim_rgb_error()), dir.path + ": Is a directory");
  EXPECT_EQ(anim_rgb_writer_open(dir.file("big.anim").c_str(), 2, 2049, 10), nullptr);
  EXPECT_EQ(std::string(anim_rgb_error()),
            dir.file("big.anim") + ": frames of 2049x10 do not fit an animation (1 to 2048 each side)");
  EXPECT_EQ(anim_rgb_writer_open(dir.file("v3.anim").c_str(), 3, 8, 8), nullptr);
  EXPECT_FALSE(vt_test::file_exists(dir.file("v3.anim")));

  // A version 1 record at y 3000 lies past any picture a recorder writes.
  const std::string text = dir.file("text.anim");
  vt_test::write_file(text, std::string("\x01\xb8\x0b\x00", 4));
  AnimRgbReader* r = anim_rgb_reader_open(text.c_str());
  ASSERT_NE(r, nullptr);
  int w = 0, h = 0;
  EXPECT_EQ(anim_rgb_reader_scan(r, &w, &h, nullptr, nullptr), 0);
  EXPECT_EQ(std::string(anim_rgb_error()),
            text + ": not an animation: it draws pixels as far as 1x3001, past the 2048x2048 "
                   "that an animation holds");
  anim_rgb_reader_close(r);
}

TEST(AnimRgbFrames, WritesAndReadsFramesWithTheirStatistics) {
  vt_test::TempDir dir;
  const std::string path = dir.file("two.anim");
  AnimRgbWriter* out = anim_rgb_writer_open(path.c_str(), 2, 10, 6);
  ASSERT_NE(out, nullptr);
  std::vector<unsigned char> rgb(10 * 6 * 3, 0);
  ASSERT_TRUE(anim_rgb_writer_add(out, rgb.data(), 30));  // all black: no change at all
  rgb[(2 * 10 + 3) * 3] = 255;                             // one red pixel at (3, 2)
  ASSERT_TRUE(anim_rgb_writer_add(out, rgb.data(), 30));
  EXPECT_EQ(anim_rgb_writer_frames(out), 2);
  ASSERT_TRUE(anim_rgb_writer_close(out));

  AnimRgbReader* r = anim_rgb_reader_open(path.c_str());
  ASSERT_NE(r, nullptr);
  int w = 0, h = 0;
  long frames = 0;
  long long bytes = 0;
  ASSERT_TRUE(anim_rgb_reader_scan(r, &w, &h, &frames, &bytes));
  EXPECT_EQ(w, 4);  // the extent: up to the one pixel ever drawn
  EXPECT_EQ(h, 3);
  EXPECT_EQ(frames, 2);
  EXPECT_EQ(bytes, 6 + 1 + 4 + 1);  // header, empty frame, one point, end of frame
  ASSERT_TRUE(anim_rgb_reader_set_size(r, 10, 6));
  std::vector<unsigned char> got(rgb.size(), 7);
  long pixels = -1, used = -1;
  int box[4];
  ASSERT_TRUE(anim_rgb_reader_next(r, got.data()));
  anim_rgb_reader_frame_info(r, &pixels, &used, box);
  EXPECT_EQ(pixels, 0);
  EXPECT_EQ(used, 1);
  EXPECT_EQ(box[0], -1);
  ASSERT_TRUE(anim_rgb_reader_next(r, got.data()));
  anim_rgb_reader_frame_info(r, &pixels, &used, box);
  EXPECT_EQ(pixels, 1);
  EXPECT_EQ(used, 5);
  EXPECT_EQ(box[0], 3);
  EXPECT_EQ(box[1], 2);
  EXPECT_EQ(got, rgb);
  EXPECT_EQ(anim_rgb_reader_indices(r)[2 * 10 + 3], nearest_color(0xFF0000));
  long codes[9];
  anim_rgb_reader_codes(r, codes);
  EXPECT_EQ(codes[0], 1);  // one single point
  // The end leaves the picture as it was.
  EXPECT_FALSE(anim_rgb_reader_next(r, got.data()));
  EXPECT_EQ(got, rgb);
  ASSERT_TRUE(anim_rgb_reader_rewind(r));
  ASSERT_TRUE(anim_rgb_reader_next(r, got.data()));
  EXPECT_EQ(got, std::vector<unsigned char>(rgb.size(), 0));
  anim_rgb_reader_close(r);
}

}  // namespace
