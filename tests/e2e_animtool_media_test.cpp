// animtool's conversions end to end: exports read back by FFmpeg's own decoders (and animated WebP
// by libwebp) against `animtool render --raw`, and encodes of FFmpeg's GIFs, videos and WebP.
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

RunResult animtool(std::vector<std::string> args) {
  args.insert(args.begin(), vt_test::bin_path("animtool"));
  return vt_test::run_program(args);
}

RunResult ffmpeg(std::vector<std::string> args) {
  args.insert(args.begin(), {"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-y"});
  return vt_test::run_program(args, "", {}, "", 240);
}

// Every frame FFmpeg decodes from path, as raw RGB, none dropped or repeated.
std::string ffmpeg_frames(const std::string& path) {
  RunResult r =
      ffmpeg({"-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-fps_mode", "passthrough", "-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

// Every frame of an animated WebP at 25 frames a second through libwebp, as raw RGB. libwebp
// stores a frame equal to the one before by lengthening that one, so a frame counts as often as
// 40 ms go into its time on screen.
std::string webp_frames(const std::string& path) {
  std::string bytes = vt_test::read_file(path);
  WebPData data = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_RGBA;  // the only byte order it offers with red first
  WebPAnimDecoder* dec = WebPAnimDecoderNew(&data, &options);
  std::string rgb;
  if (!dec) return rgb;
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(dec, &info);
  uint8_t* frame;
  int timestamp, shown = 0;
  while (WebPAnimDecoderHasMoreFrames(dec) && WebPAnimDecoderGetNext(dec, &frame, &timestamp))
    for (; shown < (timestamp + 20) / 40; shown++)
      for (size_t i = 0; i < size_t(info.canvas_width) * info.canvas_height; i++)
        rgb.append(reinterpret_cast<const char*>(frame + 4 * i), 3);
  WebPAnimDecoderDelete(dec);
  return rgb;
}

// Six frames of 8x8-aligned coloured blocks moving over a still background, single pixels
// flipping, and one frame without any change; 2x2 squares keep 4:2:0 video faithful.
std::vector<std::string> block_frames(const TempDir& dir, int width, int height) {
  const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x3366CC, 0xFFFF00, 0xFFFFFF, 0x990066};
  std::vector<std::string> names;
  for (int f = 0; f < 6; f++) {
    int t = f == 4 ? 3 : f;  // frame 5 repeats frame 4
    Image img;
    img.width = width, img.height = height;
    img.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        uint32_t c = ((x / 16 + y / 16) % 2) ? 0x333333 : 0x000000;
        if (x / 8 == t + 1 && y / 8 >= 1 && y / 8 <= 2) c = colours[t];
        if (x / 8 == 4 && y / 8 == t % 3) c = colours[(t + 2) % 6];
        if (x / 2 == t && y / 2 == 10) c = 0xFFFFFF;  // a 2x2 dot
        uint8_t* p = &img.rgb[(size_t(y) * width + x) * 3];
        p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
      }
    names.push_back(dir.file("in" + std::to_string(f) + ".png"));
    EXPECT_TRUE(vt_test::write_png(names.back(), img));
  }
  return names;
}

std::string encode_pngs(const TempDir& dir, const std::string& out, int width, int height) {
  std::vector<std::string> args = {"encode", "-o", dir.file(out)};
  for (const std::string& n : block_frames(dir, width, height)) args.push_back(n);
  RunResult r = animtool(args);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return dir.file(out);
}

std::string rendered(const std::string& anim) {
  RunResult r =
      vt_test::run_program({vt_test::bin_path("animtool"), "render", anim, "--raw", "-o", "-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

TEST(E2eAnimtoolMedia, ExactExportsDecodeToEveryRenderedFrame) {
  TempDir dir;
  const std::string anim = encode_pngs(dir, "blocks.anim", 48, 32);
  const std::string want = rendered(anim);
  ASSERT_EQ(want.size(), size_t(48) * 32 * 3 * 6);
  for (const char* name : {"out.gif", "out.apng", "anim.png", "out.webp"}) {
    RunResult r = animtool({"export", anim, dir.file(name)});
    ASSERT_EQ(r.exit_code, 0) << name << ": " << r.err;
    EXPECT_NE(r.out.find("6 frames of 48x32"), std::string::npos) << r.out;
    std::string got = std::string(name) == "out.webp" ? webp_frames(dir.file(name))
                                                      : ffmpeg_frames(dir.file(name));
    EXPECT_TRUE(got == want) << name << ": " << got.size() << " bytes against " << want.size();
  }
  // Animated WebP back in, through libwebp: the frame libwebp merged into the one before is gone.
  RunResult webp = animtool({"encode", "-o", dir.file("webp.anim"), dir.file("out.webp")});
  ASSERT_EQ(webp.exit_code, 0) << webp.err;
  const size_t frame_bytes = size_t(48) * 32 * 3;
  EXPECT_TRUE(rendered(dir.file("webp.anim")) ==
              want.substr(0, 4 * frame_bytes) + want.substr(5 * frame_bytes));

  // --frames and --size: the first frames only, scaled by whole pixels.
  RunResult r =
      animtool({"export", anim, dir.file("small.gif"), "--frames", "3", "--size", "96x64"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string got = ffmpeg_frames(dir.file("small.gif"));
  ASSERT_EQ(got.size(), size_t(96) * 64 * 3 * 3);
  for (int f = 0; f < 3; f++)
    for (int y = 0; y < 64; y++)
      for (int x = 0; x < 96; x++)
        for (int c = 0; c < 3; c++)
          ASSERT_EQ(got[((size_t(f) * 64 + y) * 96 + x) * 3 + c],
                    want[((size_t(f) * 32 + y / 2) * 48 + x / 2) * 3 + c])
              << f << " " << x << "," << y;
}

// PSNR of FFmpeg's decoding of a video against raw RGB frames of width x height.
double video_psnr(const TempDir& dir, const std::string& video, const std::string& raw, int width,
                  int height) {
  vt_test::write_file(dir.file("ref.rgb"), raw);
  RunResult r =
      ffmpeg({"-v", "info", "-i", video, "-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
              std::to_string(width) + "x" + std::to_string(height), "-i", dir.file("ref.rgb"),
              "-lavfi", "[0:v]format=rgb24[a];[a][1:v]psnr", "-f", "null", "-"});
  size_t at = r.err.find("average:");
  EXPECT_NE(at, std::string::npos) << r.err;
  return at == std::string::npos ? 0.0 : std::atof(r.err.c_str() + at + 8);
}

TEST(E2eAnimtoolMedia, VideoExportHasEveryFrameAndKeepsThePicture) {
  TempDir dir;
  const std::string anim = encode_pngs(dir, "blocks.anim", 64, 48);
  RunResult r = animtool({"export", anim, dir.file("out.mp4")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string frames = ffmpeg_frames(dir.file("out.mp4"));
  EXPECT_EQ(frames.size(), size_t(64) * 48 * 3 * 6);
  EXPECT_GE(video_psnr(dir, dir.file("out.mp4"), rendered(anim), 64, 48), 40.0);

  // And back: the video encodes to as many frames of its size, or fewer and smaller on request.
  RunResult enc = animtool({"encode", "-o", dir.file("back.anim"), dir.file("out.mp4")});
  ASSERT_EQ(enc.exit_code, 0) << enc.err;
  EXPECT_NE(enc.out.find("6 frames of 64x48"), std::string::npos) << enc.out;
  RunResult part = animtool({"encode", "-o", dir.file("part.anim"), dir.file("out.mp4"), "--every",
                             "2", "--size", "32x24"});
  ASSERT_EQ(part.exit_code, 0) << part.err;
  EXPECT_NE(part.out.find("3 frames of 32x24"), std::string::npos) << part.out;
  RunResult info = animtool({"info", dir.file("part.anim")});
  EXPECT_NE(info.out.find("frames: 3\nextent: 32x24"), std::string::npos) << info.out;
}

TEST(E2eAnimtoolMedia, GifMadeFromPngFramesEncodesToTheSameBytes) {
  TempDir dir;
  const std::string anim = encode_pngs(dir, "blocks.anim", 48, 32);
  RunResult gif = ffmpeg({"-i", dir.file("in%d.png"), "-vf",
                          "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none", "-gifflags",
                          "+offsetting+transdiff", dir.file("ffmpeg.gif")});
  ASSERT_EQ(gif.exit_code, 0) << gif.err;
  RunResult enc = animtool({"encode", "-o", dir.file("gif.anim"), dir.file("ffmpeg.gif")});
  ASSERT_EQ(enc.exit_code, 0) << enc.err;
  EXPECT_TRUE(vt_test::read_file(dir.file("gif.anim")) == vt_test::read_file(anim));
  // The numbered pictures by their pattern give the same file again.
  RunResult seq = animtool({"encode", "-o", dir.file("seq.anim"), dir.file("in%d.png")});
  ASSERT_EQ(seq.exit_code, 0) << seq.err;
  EXPECT_TRUE(vt_test::read_file(dir.file("seq.anim")) == vt_test::read_file(anim));
}

TEST(E2eAnimtoolMedia, BadInputsAndOutputsGiveOneLine) {
  TempDir dir;
  vt_test::write_file(dir.file("text.mp4"), "not a video\n");
  RunResult in = animtool({"encode", "-o", dir.file("x.anim"), dir.file("text.mp4")});
  EXPECT_EQ(in.exit_code, 1);
  EXPECT_EQ(in.err,
            "animtool: " + dir.file("text.mp4") + ": Invalid data found when processing input\n");
  EXPECT_FALSE(vt_test::file_exists(dir.file("x.anim")));
  const std::string anim = encode_pngs(dir, "blocks.anim", 16, 16);
  RunResult out = animtool({"export", anim, dir.file("x.bmp")});
  EXPECT_EQ(out.exit_code, 1);
  EXPECT_NE(out.err.find("unknown kind of file '.bmp'"), std::string::npos) << out.err;
  EXPECT_FALSE(vt_test::file_exists(dir.file("x.bmp")));
}

}  // namespace
