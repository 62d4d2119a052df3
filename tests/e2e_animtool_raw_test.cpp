// animtool with raw RGB frames, end to end through FFmpeg as docs/animtool.md shows it: a generated clip
// becomes a lossless video, is piped into `animtool encode --raw`, rendered back with
// `animtool render --raw` into another video, and comes out with every pixel the palette holds
// unchanged (the others as their nearest palette colour). Also: a cut last frame is refused by its
// number with no file left, and the progress line appears on a terminal only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "anim/palette.h"
#include "util/test_util.h"

namespace {

using vt_test::RunResult;
using vt_test::TempDir;

constexpr int kW = 48, kH = 32, kFrames = 6;

bool on_path(const std::string& name) {
  return vt_test::run_program({"/bin/sh", "-c", "command -v " + name}).exit_code == 0;
}

RunResult bash(const std::string& command, const TempDir& dir) {
  return vt_test::run_program({"/bin/bash", "-c", "set -o pipefail; " + command}, dir.path, {}, "",
                              120);
}

std::string animtool() { return "'" + vt_test::bin_path("animtool") + "'"; }

// Frames of palette colours, except a stripe of colours the palette lacks on rows 0 and 1.
std::string clip_frames() {
  int palette[256];
  anim_palette_rgb(palette);
  std::string raw;
  for (int k = 0; k < kFrames; k++)
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) {
        int c = palette[(x + 3 * y + 37 * k) % 256];
        if (y < 2) c = (x * 5 + k) << 16 | (y * 99 + 3) << 8 | (200 - x);
        raw += char(c >> 16), raw += char(c >> 8), raw += char(c);
      }
  return raw;
}

// Each pixel as the palette colour the encoder picks for it.
std::string quantised(const std::string& raw) {
  int palette[256];
  anim_palette_rgb(palette);
  std::string out = raw;
  std::vector<unsigned char> index(kW);
  for (size_t row = 0; row < raw.size() / (3 * kW); row++) {
    const unsigned char* rgb = reinterpret_cast<const unsigned char*>(&raw[row * 3 * kW]);
    anim_quantise_row(rgb, kW, index.data());
    for (int x = 0; x < kW; x++) {
      int c = palette[index[size_t(x)]];
      out[row * 3 * kW + 3 * x] = char(c >> 16);
      out[row * 3 * kW + 3 * x + 1] = char(c >> 8);
      out[row * 3 * kW + 3 * x + 2] = char(c);
    }
  }
  return out;
}

}  // namespace

TEST(AnimtoolRaw, RoundTripThroughFfmpegKeepsThePalettesPixels) {
  if (!on_path("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
  TempDir dir;
  std::string frames = clip_frames();
  ASSERT_TRUE(vt_test::write_file(dir.file("frames.rgb"), frames));
  const std::string size = std::to_string(kW) + "x" + std::to_string(kH);
  RunResult r = bash("ffmpeg -v error -f rawvideo -pix_fmt rgb24 -s " + size +
                         " -r 25 -i frames.rgb -c:v ffv1 clip.mkv",
                     dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // The two recipes of docs/animtool.md, with a lossless video in place of MP4.
  r = bash("ffmpeg -v error -i clip.mkv -f rawvideo -pix_fmt rgb24 - | " + animtool() +
               " encode --raw " + size + " -o clip.anim -",
           dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "6 frames of " + size + " written to clip.anim (version 2)\n");
  EXPECT_EQ(r.err, "");  // no progress line: standard error is no terminal
  r = bash(animtool() + " render clip.anim --raw --size " + size +
               " -o - | ffmpeg -v error -f rawvideo -pix_fmt rgb24 -s " + size +
               " -r 25 -i - -c:v ffv1 back.mkv",
           dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = bash("ffmpeg -v error -i back.mkv -f rawvideo -pix_fmt rgb24 -", dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;

  ASSERT_EQ(r.out.size(), frames.size());
  std::string want = quantised(frames);
  size_t palette_pixels = 0, kept = 0, nearest = 0;
  for (size_t p = 0; p < frames.size() / 3; p++) {
    bool in_palette = (p / kW) % kH >= 2;
    bool same = r.out.compare(3 * p, 3, want, 3 * p, 3) == 0;
    if (in_palette) {
      palette_pixels++;
      kept += r.out.compare(3 * p, 3, frames, 3 * p, 3) == 0;
    } else {
      nearest += same;
    }
  }
  EXPECT_EQ(kept, palette_pixels);
  EXPECT_EQ(nearest, frames.size() / 3 - palette_pixels);
}

TEST(AnimtoolRaw, CutLastFrameIsNamedAndLeavesNoFile) {
  TempDir dir;
  const std::string frame(64 * 48 * 3, '\x40');
  RunResult r = vt_test::run_program(
      {vt_test::bin_path("animtool"), "encode", "--raw", "64x48", "-o", "cut.anim", "-"}, dir.path,
      {}, frame + frame.substr(0, 4608));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            "animtool: encode: standard input: frame 2 is short (4608 of 9216 bytes for 64x48)\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path)) << "a file was left behind";

  // An old file of that name stays as it was.
  ASSERT_TRUE(vt_test::write_file(dir.file("cut.anim"), "old"));
  r = vt_test::run_program(
      {vt_test::bin_path("animtool"), "encode", "--raw", "64x48", "-o", "cut.anim", "-"}, dir.path,
      {}, "");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "animtool: encode: standard input: no frames (the input was empty)\n");
  EXPECT_EQ(vt_test::read_file(dir.file("cut.anim")), "old");

  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"encode", "--raw", "64x0", "-o", "x.anim", "-"},
           {"encode", "--raw", "2049x8", "-o", "x.anim", "-"},
           {"encode", "--raw", "64x48", "-o", "x.anim", "a.png"},
           {"render", "cut.anim", "--raw", "--size", "8x8", "-o", "x.rgb"}}) {
    bad.insert(bad.begin(), vt_test::bin_path("animtool"));
    r = vt_test::run_program(bad, dir.path);
    EXPECT_EQ(r.exit_code, 1) << bad[1] << " " << bad[3];
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(vt_test::file_exists(dir.file("x.anim")));
  }
}

TEST(AnimtoolRaw, ProgressOnATerminalOnly) {
  if (!on_path("script")) GTEST_SKIP() << "script (util-linux) is not installed";
  TempDir dir;
  // The second frame comes more than a second after the first: a run long enough to report.
  const std::string feed = "(head -c 9216 /dev/zero; sleep 1.5; head -c 9216 /dev/zero) | " +
                           animtool() + " encode --raw 64x48 -o slow.anim -";
  RunResult r = bash("script -qec \"" + feed + "\" /dev/null", dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\rencode: 2 frames, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" frames/s"), std::string::npos) << r.out;
  r = bash(feed, dir);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
}
