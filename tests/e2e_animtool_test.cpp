// animtool end to end: encoding PNG sequences, rendering them back, describing files, exporting
// palettes, and the one-line errors with exit status 1.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "anim/palette.h"
#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

RunResult animtool(std::vector<std::string> args) {
  args.insert(args.begin(), vt_test::bin_path("animtool"));
  return vt_test::run_program(args);
}

Image gradient_frame(int width, int height, int shift) {
  Image img;
  img.width = width;
  img.height = height;
  img.rgb.resize(size_t(width) * height * 3);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      uint8_t* p = &img.rgb[(size_t(y) * width + x) * 3];
      p[0] = uint8_t((x + shift) * 255 / (width + 8));
      p[1] = uint8_t(y * 255 / height);
      p[2] = uint8_t(((x / 4 + y / 4 + shift) % 3) * 120);
    }
  return img;
}

// The colour the palette gives the quantised pixel.
uint32_t quantised(uint32_t rgb) {
  int table[256];
  anim_palette_rgb(table);
  return uint32_t(table[nearest_color(int(rgb))]);
}

void expect_single_error_line(const RunResult& r, const std::string& must_name) {
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_NE(r.err.find(must_name), std::string::npos) << r.err;
}

TEST(E2eAnimtool, EncodeRenderAndInfoRoundTrip) {
  TempDir dir;
  const int w = 45, h = 30;  // not multiples of 8
  std::vector<std::string> args = {"encode", "-o", dir.file("seq.anim")};
  std::vector<Image> frames;
  for (int f = 0; f < 4; f++) {
    frames.push_back(gradient_frame(w, h, f * 3));
    std::string name = dir.file("in" + std::to_string(f) + ".png");
    ASSERT_TRUE(vt_test::write_png(name, frames.back()));
    args.push_back(name);
  }
  for (const char* version : {"1", "2"}) {
    std::vector<std::string> a = args;
    a.insert(a.begin() + 1, {"--version", version});
    RunResult enc = animtool(a);
    ASSERT_EQ(enc.exit_code, 0) << enc.err;
    EXPECT_FALSE(vt_test::file_exists(dir.file("seq.anim.part")));

    RunResult ren =
        animtool({"render", dir.file("seq.anim"), "--size", "45x30", "-o", dir.file("last.png")});
    ASSERT_EQ(ren.exit_code, 0) << ren.err;
    Image out;
    ASSERT_TRUE(vt_test::read_png(dir.file("last.png"), &out));
    ASSERT_EQ(out.width, w);
    ASSERT_EQ(out.height, h);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        ASSERT_EQ(out.pixel(x, y), quantised(frames.back().pixel(x, y)))
            << x << "," << y << " v" << version;
  }

  // Version 2: every frame on its own, and the description of the file.
  RunResult enc = animtool(args);
  ASSERT_EQ(enc.exit_code, 0) << enc.err;
  RunResult every = animtool(
      {"render", dir.file("seq.anim"), "--size", "45x30", "--every", "-o", dir.file("f%02d.png")});
  ASSERT_EQ(every.exit_code, 0) << every.err;
  EXPECT_NE(every.out.find("4 frames rendered"), std::string::npos) << every.out;
  EXPECT_FALSE(vt_test::file_exists(dir.file("f05.png")));
  for (int f = 0; f < 4; f++) {
    Image out;
    ASSERT_TRUE(vt_test::read_png(dir.file("f0" + std::to_string(f + 1) + ".png"), &out));
    EXPECT_EQ(out.pixel(44, 29), quantised(frames[f].pixel(44, 29)));
    EXPECT_EQ(out.pixel(3, 0), quantised(frames[f].pixel(3, 0)));
  }
  RunResult two = animtool({"render", dir.file("seq.anim"), "--size", "45x30", "--frames", "2",
                            "-o", dir.file("two.png")});
  ASSERT_EQ(two.exit_code, 0);
  Image out2;
  ASSERT_TRUE(vt_test::read_png(dir.file("two.png"), &out2));
  EXPECT_EQ(out2.pixel(10, 10), quantised(frames[1].pixel(10, 10)));

  RunResult info = animtool({"info", dir.file("seq.anim"), "--json"});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("\"version\": 2"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"frames\": 4"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"bytes\": " +
                          std::to_string(vt_test::read_file(dir.file("seq.anim")).size())),
            std::string::npos);
  EXPECT_NE(info.out.find("{\"frame\": 1, \"pixels\": "), std::string::npos);
  RunResult text = animtool({"info", dir.file("seq.anim")});
  ASSERT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find("frames: 4\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("frame 4: pixels "), std::string::npos);
}

// Writes a PNG of the given colour type and depth from rows of raw samples.
bool write_raw_png(const std::string& path, int width, int height, int colour_type, int depth,
                   const std::vector<std::vector<uint8_t>>& rows,
                   const std::vector<png_color>& palette = {}) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  png_write_info(png, info);
  for (const auto& row : rows) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

TEST(E2eAnimtool, EncodeAcceptsEveryPngColourType) {
  TempDir dir;
  const int w = 8, h = 6;
  std::vector<std::vector<uint8_t>> grey16(h), palette2(h), rgba(h), grey_alpha(h);
  std::vector<std::vector<uint32_t>> expected(4, std::vector<uint32_t>(w * h));
  const std::vector<png_color> colours = {{0, 0, 0}, {255, 128, 0}, {51, 102, 153}, {200, 10, 90}};
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      int i = y * w + x, g = (i * 37) % 256;
      grey16[y].push_back(uint8_t(g));
      grey16[y].push_back(uint8_t(x * 30));  // low byte: dropped
      expected[0][i] = quantised(uint32_t(g * 0x010101));
      int p = (x + y) % 4;
      if (x % 4 == 0) palette2[y].push_back(0);
      palette2[y][x / 4] = uint8_t(palette2[y][x / 4] | p << (6 - 2 * (x % 4)));
      expected[1][i] =
          quantised(uint32_t(colours[p].red << 16 | colours[p].green << 8 | colours[p].blue));
      uint8_t r = uint8_t(x * 32), gg = uint8_t(y * 40), b = uint8_t(255 - x * 20);
      rgba[y].insert(rgba[y].end(), {r, gg, b, uint8_t(x * 30)});  // alpha is ignored
      expected[2][i] = quantised(uint32_t(r << 16 | gg << 8 | b));
      grey_alpha[y].insert(grey_alpha[y].end(), {uint8_t(255 - g), 0});
      expected[3][i] = quantised(uint32_t((255 - g) * 0x010101));
    }
  ASSERT_TRUE(write_raw_png(dir.file("a.png"), w, h, PNG_COLOR_TYPE_GRAY, 16, grey16));
  ASSERT_TRUE(write_raw_png(dir.file("b.png"), w, h, PNG_COLOR_TYPE_PALETTE, 2, palette2, colours));
  ASSERT_TRUE(write_raw_png(dir.file("c.png"), w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba));
  ASSERT_TRUE(write_raw_png(dir.file("d.png"), w, h, PNG_COLOR_TYPE_GRAY_ALPHA, 8, grey_alpha));
  RunResult enc = animtool({"encode", "-o", dir.file("t.anim"), dir.file("a.png"),
                            dir.file("b.png"), dir.file("c.png"), dir.file("d.png")});
  ASSERT_EQ(enc.exit_code, 0) << enc.err;
  RunResult ren = animtool(
      {"render", dir.file("t.anim"), "--size", "8x6", "--every", "-o", dir.file("out%d.png")});
  ASSERT_EQ(ren.exit_code, 0) << ren.err;
  for (int f = 0; f < 4; f++) {
    Image out;
    ASSERT_TRUE(vt_test::read_png(dir.file("out" + std::to_string(f + 1) + ".png"), &out));
    for (int i = 0; i < w * h; i++)
      ASSERT_EQ(out.pixel(i % w, i / w), expected[f][i]) << "frame " << f + 1 << " pixel " << i;
  }
}

TEST(E2eAnimtool, InfoOfAHandMadeFile) {
  TempDir dir;
  std::string bytes("ANIM2\0", 6);
  const unsigned char frames[] = {0xA0, 2, 3, 15, 0xA1, 4, 0xC3, 254, 0x00, 0x08, 3, 76, 254};
  bytes.append(reinterpret_cast<const char*>(frames), sizeof frames);
  vt_test::write_file(dir.file("h.anim"), bytes);
  RunResult r = animtool({"info", dir.file("h.anim")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("bytes: 19\nframes: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(
      r.out.find("points 1 kind4 0 kind5 0 kind6 0 kind7 0 kind8 0 kind9 0 kind10 2 skipped 1"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("frame 1: pixels 128, bytes 8, box 16,16-23,31\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("frame 2: pixels 1, bytes 5, box 1,3-1,3\n"), std::string::npos) << r.out;
}

TEST(E2eAnimtool, PaletteFiles) {
  TempDir dir;
  RunResult r = animtool({"palette", "-o", dir.file("anim.pal")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string text = vt_test::read_file(dir.file("anim.pal"));
  EXPECT_EQ(text.substr(0, 28), "JASC-PAL\r\n0100\r\n256\r\n0 0 0\r\n");
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 259u);
  ASSERT_EQ(animtool({"palette", "--alt", "-o", dir.file("alt.pal")}).exit_code, 0);
  std::string alt = vt_test::read_file(dir.file("alt.pal"));
  EXPECT_NE(alt, text);
  EXPECT_NE(alt.find("\r\n0 0 255\r\n63 0 255\r\n127 0 255\r\n"), std::string::npos);  // 32 to 34
}

TEST(E2eAnimtool, ErrorsNameTheFileAndReason) {
  TempDir dir;
  expect_single_error_line(
      animtool({"render", dir.file("none.anim"), "--size", "8x8", "-o", dir.file("o.png")}),
      "none.anim: No such file or directory");
  vt_test::write_file(dir.file("e.anim"), std::string("ANIM2\0\xFE", 7));
  expect_single_error_line(
      animtool({"render", dir.file("e.anim"), "--size", "8by8", "-o", dir.file("o.png")}),
      "bad size '8by8'");
  expect_single_error_line(
      animtool({"render", dir.file("e.anim"), "--size", "0x8", "-o", dir.file("o.png")}),
      "bad size");
  expect_single_error_line(
      animtool({"render", dir.file("e.anim"), "--size", "8x8", "-o", dir.file("no/o.png")}),
      "no/o.png: No such file or directory");
  expect_single_error_line(animtool({"render", dir.file("e.anim"), "--size", "8x8", "--every", "-o",
                                     dir.file("o%s.png")}),
                           "o%s.png");
  expect_single_error_line(animtool({"info", dir.file("none.anim")}), "none.anim");
  expect_single_error_line(animtool({"palette", "-o", dir.file("no/p.pal")}),
                           "no/p.pal: No such file or directory");
  expect_single_error_line(animtool({"encode", "-o", dir.file("x.anim"), dir.file("missing.png")}),
                           "missing.png: No such file or directory");
  vt_test::write_file(dir.file("bad.png"), "not a png at all");
  expect_single_error_line(animtool({"encode", "-o", dir.file("x.anim"), dir.file("bad.png")}),
                           "bad.png: not a PNG");
  ASSERT_TRUE(vt_test::write_png(dir.file("a.png"), gradient_frame(16, 8, 0)));
  ASSERT_TRUE(vt_test::write_png(dir.file("b.png"), gradient_frame(8, 16, 0)));
  vt_test::write_file(dir.file("keep.anim"), "old contents");
  expect_single_error_line(
      animtool({"encode", "-o", dir.file("keep.anim"), dir.file("a.png"), dir.file("b.png")}),
      "b.png: size 8x16 differs from the first frame's 16x8");
  EXPECT_EQ(vt_test::read_file(dir.file("keep.anim")), "old contents");  // nothing lost
  EXPECT_FALSE(vt_test::file_exists(dir.file("keep.anim.part")));
  expect_single_error_line(
      animtool({"encode", "--version", "3", "-o", dir.file("x.anim"), dir.file("a.png")}),
      "bad version '3'");
  expect_single_error_line(animtool({"render"}), "render");
  expect_single_error_line(animtool({"frobnicate"}), "frobnicate");
}

// A version 1 file of three frames (records of rising x, each frame ended by a smaller x).
std::string three_frame_v1() {
  std::string bytes;
  for (unsigned x : {3u, 8u, 20u, 2u, 5u, 30u, 1u, 7u, 9u}) {
    unsigned word = x << 20 | (x % 16) << 8 | (x * 9);
    bytes += std::string{char(word), char(word >> 8), char(word >> 16), char(word >> 24)};
  }
  return bytes;
}

TEST(E2eAnimtool, FoldersAreRefusedAndPipesReadLikeFiles) {
  TempDir dir;
  expect_single_error_line(animtool({"info", dir.path}), dir.path + ": Is a directory");
  expect_single_error_line(
      animtool({"render", dir.path, "--size", "8x8", "-o", dir.file("o.png")}),
      ": Is a directory");
  EXPECT_FALSE(vt_test::file_exists(dir.file("o.png")));

  const std::string bytes = three_frame_v1();
  vt_test::write_file(dir.file("v1.anim"), bytes);
  auto run = [&](const std::string& file, const std::string& out, const std::string& input) {
    return vt_test::run_program({vt_test::bin_path("animtool"), "render", file, "--size", "32x16",
                                 "-o", dir.file(out)},
                                "", {}, input);
  };
  ASSERT_EQ(run(dir.file("v1.anim"), "file.png", "").exit_code, 0);
  RunResult piped = run("/dev/stdin", "pipe.png", bytes);
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  EXPECT_EQ(piped.out, "3 frames rendered\n");
  EXPECT_EQ(vt_test::read_file(dir.file("pipe.png")), vt_test::read_file(dir.file("file.png")));
  RunResult info = vt_test::run_program({vt_test::bin_path("animtool"), "info", "/dev/stdin"}, "",
                                        {}, bytes);
  EXPECT_NE(info.out.find("bytes: 36\nframes: 3\nextent: 31x16\nframe 1: pixels 4, bytes 16"),
            std::string::npos)
      << info.out;
}

// Runs animtool through a shell that limits the size of files it writes to 512 bytes (the
// write then fails with EFBIG instead of killing the program).
RunResult animtool_limited(const std::vector<std::string>& args) {
  std::string line = "trap '' XFSZ; ulimit -f 1; exec '" + vt_test::bin_path("animtool") + "'";
  for (const std::string& a : args) line += " '" + a + "'";
  return vt_test::run_program({"/bin/sh", "-c", line});
}

TEST(E2eAnimtool, FailedWritesLeaveTheOldFileAndNoOther) {
  TempDir dir;
  vt_test::write_file(dir.file("e.anim"), std::string("ANIM2\0\x40\x01\x01", 9) +
                                              std::string(64, '\x55') + "\xFE");
  vt_test::write_file(dir.file("keep.png"), "the picture from before");
  vt_test::write_file(dir.file("keep.pal"), "the palette from before");
  RunResult r = animtool_limited({"render", dir.file("e.anim"), "--size", "600x400", "-o",
                                  dir.file("keep.png")});
  expect_single_error_line(r, "keep.png: File too large");
  EXPECT_EQ(vt_test::read_file(dir.file("keep.png")), "the picture from before");
  expect_single_error_line(animtool_limited({"palette", "-o", dir.file("keep.pal")}),
                           "keep.pal: File too large");
  EXPECT_EQ(vt_test::read_file(dir.file("keep.pal")), "the palette from before");

  // A file of the user's that looks like a temporary is neither taken over nor deleted.
  ASSERT_TRUE(vt_test::write_png(dir.file("a.png"), gradient_frame(16, 8, 0)));
  vt_test::write_file(dir.file("x.anim.part"), "mine");
  ASSERT_EQ(animtool({"encode", "-o", dir.file("x.anim"), dir.file("a.png")}).exit_code, 0);
  ASSERT_EQ(animtool({"palette", "-o", dir.file("keep.pal")}).exit_code, 0);
  EXPECT_EQ(vt_test::read_file(dir.file("x.anim.part")), "mine");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path))
    files += !entry.path().empty();
  EXPECT_EQ(files, 6u);  // e.anim, keep.png, keep.pal, a.png, x.anim.part, x.anim
}

uint32_t crc32_of(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string png_chunk(const std::string& type, const std::string& data) {
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  return be32(uint32_t(data.size())) + type + data + be32(crc32_of(type + data));
}

TEST(E2eAnimtool, OversizedPngIsRefusedFromItsHeader) {
  TempDir dir;
  // 16384 x 16384 grey: refused before any row is decoded (its image data is one stray byte).
  std::string ihdr = {0, 0, 0x40, 0, 0, 0, 0x40, 0, 8, 0, 0, 0, 0};
  vt_test::write_file(dir.file("huge.png"), "\x89PNG\r\n\x1a\n" + png_chunk("IHDR", ihdr) +
                                                png_chunk("IDAT", "x") + png_chunk("IEND", ""));
  expect_single_error_line(
      animtool({"encode", "-o", dir.file("x.anim"), dir.file("huge.png")}),
      "huge.png: 16384x16384 is larger than an animation can hold (2048x2048 at most)");
  EXPECT_FALSE(vt_test::file_exists(dir.file("x.anim")));
}

TEST(E2eAnimtool, HelpEverywhere) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"--help"},
                                                                             {"render", "--help"},
                                                                             {"info", "--help"},
                                                                             {"encode", "--help"},
                                                                             {"export", "--help"},
                                                                             {"palette", "-h"}}) {
    RunResult r = animtool(args);
    EXPECT_EQ(r.exit_code, 0) << args[0];
    EXPECT_EQ(r.out.rfind("Usage: animtool", 0), 0u) << r.out;
  }
}

}  // namespace

namespace {

TEST(E2eAnimtool, BundledDemoIsWhatTheGeneratorWritesAndUsesEveryKind) {
  TempDir dir;
  RunResult gen =
      vt_test::run_program({vt_test::bin_path("make_demo_anim"), "-o", dir.file("demo.anim")});
  ASSERT_EQ(gen.exit_code, 0) << gen.err;
  std::string made = vt_test::read_file(dir.file("demo.anim"));
  EXPECT_TRUE(made == vt_test::read_file(vt_test::source_path("assets/demo.anim")))
      << "assets/demo.anim differs from what tools/make_demo_anim.cpp writes";
  RunResult info = animtool({"info", dir.file("demo.anim"), "--json"});
  ASSERT_EQ(info.exit_code, 0);
  EXPECT_NE(info.out.find("\"version\": 2"), std::string::npos);
  EXPECT_NE(info.out.find("\"frames\": 300"), std::string::npos);
  for (const char* kind :
       {"points", "kind4", "kind5", "kind6", "kind7", "kind8", "kind9", "kind10"})
    EXPECT_EQ(info.out.find(std::string("\"") + kind + "\": 0,"), std::string::npos) << kind;
}

}  // namespace

TEST(E2eAnimtool, CompressedFilesReadAndRenderAsThePlainOne) {
  TempDir dir;
  std::vector<std::string> pngs;
  for (int f = 0; f < 3; f++) {
    pngs.push_back(dir.file("in" + std::to_string(f) + ".png"));
    ASSERT_TRUE(vt_test::write_png(pngs.back(), gradient_frame(40, 24, f * 5)));
  }
  auto encode = [&](const std::string& out, std::vector<std::string> extra) {
    extra.insert(extra.begin(), "encode");
    extra.insert(extra.end(), {"-o", dir.file(out)});
    extra.insert(extra.end(), pngs.begin(), pngs.end());
    RunResult r = animtool(extra);
    EXPECT_EQ(r.exit_code, 0) << r.err;
  };
  encode("plain.anim", {});
  encode("z.anim", {"--compress", "zstd"});
  encode("g.anim", {"--compress", "gzip", "--level", "1"});
  const std::string plain = vt_test::read_file(dir.file("plain.anim"));
  EXPECT_EQ(vt_test::read_file(dir.file("z.anim")).substr(0, 4), "\x28\xB5\x2F\xFD");
  EXPECT_EQ(vt_test::read_file(dir.file("g.anim")).substr(0, 2), "\x1F\x8B");
  // Our encoder's files and those of the real tools alike.
  ASSERT_TRUE(vt_test::write_file(dir.file("tool.gz"), vt_test::compressed_with("gzip", plain)));

  auto renders = [&](const std::string& name) {
    RunResult r = animtool({"render", dir.file(name), "--every", "-o", dir.file(name + "%d.png")});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    RunResult t = animtool({"thumbnail", dir.file(name), dir.file(name + "-t.png"), "--size", "16"});
    EXPECT_EQ(t.exit_code, 0) << t.err;
    std::string all;
    for (const char* f : {"1", "2", "3", "-t"}) all += vt_test::read_file(dir.file(name + f + ".png"));
    return all;
  };
  const std::string want = renders("plain.anim");
  ASSERT_FALSE(want.empty());
  for (const char* name : {"z.anim", "g.anim", "tool.gz"}) EXPECT_EQ(renders(name), want) << name;

  // compress and decompress give back the very bytes.
  RunResult c = animtool({"compress", dir.file("plain.anim")});
  ASSERT_EQ(c.exit_code, 0) << c.err;
  RunResult d = animtool({"decompress", dir.file("plain.anim.zst"), "-o", dir.file("back.anim")});
  ASSERT_EQ(d.exit_code, 0) << d.err;
  EXPECT_EQ(vt_test::read_file(dir.file("back.anim")), plain);
  expect_single_error_line(animtool({"decompress", dir.file("plain.anim"), "-o", dir.file("x")}),
                           "not compressed");
}

TEST(E2eAnimtool, OtherFormatsAreRefusedAndCheckFindsTheFirstProblem) {
  TempDir dir;
  const std::string input = dir.file("input");
  for (const vt_test::ForeignSample& sample : vt_test::foreign_samples()) {
    ASSERT_TRUE(vt_test::write_file(input, sample.bytes));
    const std::string line = input + ": " + sample.what + ", not an .anim animation\n";
    for (const char* command : {"info", "render"}) {
      RunResult r = animtool({command, input, "-o", dir.file("never.png")});
      if (std::string(command) == "info") r = animtool({command, input});
      EXPECT_EQ(r.exit_code, 1) << command;
      EXPECT_EQ(r.err, "animtool: " + line);
    }
    RunResult r = animtool({"check", input});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, line);
  }
  EXPECT_FALSE(vt_test::file_exists(dir.file("never.png")));

  // One block fill per frame: frames of 5 bytes after the 6 of the header.
  const std::string three = vt_test::block_fill_anim({{{0, 0, 40}}, {{1, 1, 100}}, {{2, 2, 200}}});
  ASSERT_EQ(three.size(), 21u);
  std::string flipped = three;
  flipped[11] = char(flipped[11] ^ 0x40);  // frame 2's block code 0xA0 becomes 0xE0
  vt_test::write_file(dir.file("ok.anim"), three);
  vt_test::write_file(dir.file("cut.anim"), three.substr(0, 13));
  vt_test::write_file(dir.file("flipped.anim"), flipped);
  vt_test::write_file(dir.file("notes.txt"), "Shopping list:\n- milk\n- bread\n");
  RunResult r = animtool({"check", dir.file("ok.anim"), dir.file("cut.anim"),
                          dir.file("flipped.anim"), dir.file("notes.txt")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, dir.file("ok.anim") + ": ok: 3 frames, 24x24\n" + dir.file("cut.anim") +
                       ": byte 13, frame 2: the file ends inside frame 2\n" +
                       dir.file("flipped.anim") + ": byte 11, frame 2: code 0xE0 has no meaning " +
                       "(codes run to 0xAF and 0xFE)\n" + dir.file("notes.txt") +
                       ": byte 0, frame 1: the records look like text: is this a text file?\n");
  EXPECT_EQ(animtool({"check", dir.file("ok.anim")}).exit_code, 0);
  RunResult info = animtool({"info", dir.file("cut.anim")});
  EXPECT_NE(info.out.find("\ntruncated inside frame 2\n"), std::string::npos) << info.out;
  EXPECT_EQ(animtool({"info", dir.file("ok.anim")}).out.find("truncated"), std::string::npos);
}
