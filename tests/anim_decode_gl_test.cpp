// Drawing frames with OpenGL under OSMesa: the literal one-point-per-pixel path and the fast path
// give identical pixels, with and without the shell's depth test, and both agree with the memory
// canvas. Also the screen capture of the recorder (anim_encode_frame).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/decode_internal.h"
#include "anim/encode.h"
#include "anim/palette.h"
#include "gfx/shell_state.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

using Picture = std::vector<unsigned char>;

// A version 2 file mixing full-picture changes (drawn as an image) with small edits (drawn as
// points), plus hand-made codes: blocks partly and wholly off the picture, a sparse block listing
// one pixel twice, single points far away.
std::string make_stream(int width, int height, unsigned seed) {
  vt_test::TempDir dir;
  std::string path = dir.file("s.anim");
  AnimFile w = anim_writer_open_size(path.c_str(), 2, width, height);
  std::mt19937 rng(seed);
  Picture p(size_t(width) * height, 0);
  for (int f = 0; f < 10; f++) {
    if (f % 3 == 0) {
      for (auto& px : p) px = (unsigned char)rng();
    } else if (f % 3 == 1) {
      for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
          p[size_t(y) * width + x] = (unsigned char)((x / 5 + y / 7 + f) * 13);
    } else {
      for (int k = 0; k < 40; k++) p[rng() % p.size()] = (unsigned char)rng();
    }
    anim_encode_indices(&w, p.data(), width);
  }
  anim_close(w);
  std::string bytes = vt_test::read_file(path);
  // clang-format off
  const unsigned char extra[] = {
      0xA0, 19, 14, 200,                        // block crossing the right and bottom edges
      0xA0, 255, 255, 9,                        // far off the picture
      0x90, 2, 2, 2, 0x09, 15, 0x09, 45,        // pixel (17, 17) listed twice: the last one shows
      0x3F, 0xFF, 0xFF, 12, 0x00, 0x08, 3, 76,  // (2047, 2047) and (1, 3)
      0xA6, 33,                                 // relative move after a point
      254};
  // clang-format on
  bytes.append(reinterpret_cast<const char*>(extra), sizeof extra);
  return bytes;
}

std::vector<std::vector<uint32_t>> draw_all(const std::string& path, int width, int height,
                                            int gl_path, bool shell_depth, uint32_t* colour_after,
                                            std::vector<GLuint>* depth = nullptr,
                                            bool clear_each = false) {
  vt_test::GlContext gl(width, height);
  EXPECT_TRUE(gl.ok());
  if (shell_depth) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  anim_gl_path = gl_path;
  AnimFile a = anim_open(path.c_str());
  std::vector<std::vector<uint32_t>> frames;
  for (;;) {
    // On a cleared screen only the pixels the frame changes show.
    if (clear_each) {
      glClearColor(0.1f, 0.9f, 0.3f, 1);
      glClear(GL_COLOR_BUFFER_BIT);
    }
    if (!anim_next_frame(&a)) break;
    frames.push_back(gl.pixels());
  }
  anim_close(a);
  if (depth) {
    depth->assign(size_t(width) * height, 0);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depth->data());
  }
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  *colour_after = uint32_t(c[0] * 255 + 0.5f) << 16 | uint32_t(c[1] * 255 + 0.5f) << 8 |
                  uint32_t(c[2] * 255 + 0.5f);
  anim_gl_path = ANIM_GL_FAST;
  return frames;
}

// The colour a point of each palette entry leaves in the frame buffer.
std::vector<uint32_t> point_colours() {
  vt_test::GlContext gl(16, 16);
  std::vector<uint32_t> out(256);
  for (int i = 0; i < 256; i++) {
    glBegin(GL_POINTS);
    anim_plot(i % 16, i / 16, i);
    glEnd();
  }
  for (int i = 0; i < 256; i++) out[i] = gl.pixel(i % 16, i / 16);
  return out;
}

TEST(AnimDecodeGl, PlotLandsOnThePixel) {
  vt_test::GlContext gl(8, 6);
  glBegin(GL_POINTS);
  anim_plot(0, 0, 15);
  anim_plot(7, 5, 12);
  anim_plot(3, 2, 8);
  anim_plot(-1, 2, 15);
  anim_plot(8, 2, 15);
  glEnd();
  EXPECT_EQ(gl.pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(gl.pixel(7, 5), 0xFF0000u);
  EXPECT_EQ(gl.pixel(3, 2), 0x404040u);
  EXPECT_EQ(gl.pixel(0, 2), 0u);
  EXPECT_EQ(gl.pixel(7, 2), 0u);
}

TEST(AnimDecodeGl, FastPathMatchesPointsAndCanvas) {
  const int width = 160, height = 120;
  vt_test::TempDir dir;
  std::string path = dir.file("s.anim");
  vt_test::write_file(path, make_stream(width, height, 7));
  std::vector<uint32_t> colour = point_colours();

  for (bool depth : {false, true}) {
    uint32_t after_points = 0, after_fast = 0;
    std::vector<GLuint> depth_points, depth_fast;
    auto points =
        draw_all(path, width, height, ANIM_GL_POINTS, depth, &after_points, &depth_points);
    long images = anim_gl_image_frames;
    auto fast = draw_all(path, width, height, ANIM_GL_FAST, depth, &after_fast, &depth_fast);
    EXPECT_TRUE(depth_points == depth_fast) << "depth buffers differ";
    if (depth) {
      EXPECT_NE(depth_points[0], 0xFFFFFFFFu);  // the frames wrote depth, both ways alike
    }
    // The big changes and the hand-made frame (some 200 pixels); the 40-pixel edits went as points.
    EXPECT_EQ(anim_gl_image_frames - images, 8);
    ASSERT_EQ(points.size(), 12u);
    ASSERT_EQ(fast.size(), points.size());
    for (size_t f = 0; f < points.size(); f++) {
      size_t differ = 0;
      for (size_t i = 0; i < points[f].size(); i++) differ += points[f][i] != fast[f][i];
      EXPECT_EQ(differ, 0u) << "frame " << f << (depth ? " with depth test" : "");
    }
    EXPECT_EQ(after_points, after_fast);
    EXPECT_EQ(after_points, colour[33]);

    AnimFile a = anim_open(path.c_str());
    Picture canvas_pixels(size_t(width) * height, 0);
    AnimCanvas canvas = {width, height, canvas_pixels.data()};
    AnimSink sink = anim_canvas_sink(&canvas);
    for (size_t f = 0; f < points.size(); f++) {
      ASSERT_EQ(anim_decode_frame(&a, &sink), 1);
      size_t differ = 0;
      for (size_t i = 0; i < canvas_pixels.size(); i++)
        differ += points[f][i] != colour[canvas_pixels[i]];
      EXPECT_EQ(differ, 0u) << "frame " << f;
    }
    anim_close(a);
    EXPECT_EQ(canvas_pixels[17 * width + 17], 45);
  }
}

// Frames held back and then drawn together (by anim_draw_deferred or the next anim_next_frame)
// leave the picture that drawing them one by one leaves; nothing reaches the screen meanwhile.
TEST(AnimDecodeGl, DeferredFramesDrawAsOneByOne) {
  const int width = 160, height = 120;
  vt_test::TempDir dir;
  std::string path = dir.file("s.anim");
  vt_test::write_file(path, make_stream(width, height, 11));
  uint32_t after = 0;
  auto points = draw_all(path, width, height, ANIM_GL_POINTS, false, &after);
  ASSERT_EQ(points.size(), 12u);
  for (int group : {2, 5}) {
    vt_test::GlContext gl(width, height);
    AnimFile a = anim_open(path.c_str());
    std::vector<uint32_t> shown = gl.pixels();
    for (size_t f = 0; f < points.size(); f++) {
      const bool draw = (f + 1) % group == 0;
      ASSERT_EQ(draw ? anim_next_frame(&a) : anim_next_frame_deferred(&a), 1);
      if (draw) shown = points[f];
      EXPECT_EQ(anim_deferred_frames(), draw ? 0 : int(f % group) + 1);
      EXPECT_TRUE(gl.pixels() == shown) << "frame " << f << " in groups of " << group;
    }
    const int held = anim_deferred_frames();
    EXPECT_EQ(anim_next_frame_deferred(&a), 0);  // past the end: no frame more
    EXPECT_EQ(anim_deferred_frames(), held);
    EXPECT_EQ(anim_draw_deferred(), held);
    EXPECT_EQ(anim_draw_deferred(), 0);
    EXPECT_TRUE(gl.pixels() == points.back()) << "groups of " << group;
    anim_close(a);
  }
}

// Changes scattered over the whole picture (once more single pixels than the sparse cells' list
// holds), clustered in a few moving sprites (one on each edge, over partial cells), and
// everywhere, on a picture whose cells span two bit words and whose size is no multiple of 8: the
// image path draws only rectangles around the change, and still matches the points exactly,
// colour and depth, also when the screen is cleared before each frame, so that a pixel left over
// from an earlier frame would show.
TEST(AnimDecodeGl, RectanglesAroundTheChangeMatchPoints) {
  const int width = 601, height = 99;
  vt_test::TempDir dir;
  std::string path = dir.file("r.anim");
  AnimFile w = anim_writer_open_size(path.c_str(), 2, width, height);
  std::mt19937 rng(21);
  Picture p(size_t(width) * height, 0);
  for (int f = 0; f < 10; f++) {
    if (f == 0) {
      for (auto& px : p) px = (unsigned char)rng();
    } else if (f == 8) {
      // Whole cells only, drawn without the alpha test.
      for (int y = 0; y < 96; y++)
        for (int x = 0; x < 560; x++) p[size_t(y) * width + x] = (unsigned char)rng();
    } else if (f == 9) {
      // Two clusters of cells a column of unchanged cells apart, which one rectangle covers.
      for (int cx : {10, 11, 13, 14})
        for (int cy = 2; cy < 5; cy++)
          for (int k = 0; k < 12; k++)
            p[size_t(cy * 8 + rng() % 8) * width + cx * 8 + rng() % 8] = (unsigned char)k;
    } else if (f < 3) {
      for (int k = 0; k < 6000; k++) p[rng() % p.size()] = (unsigned char)rng();
    } else if (f == 3) {
      // More single pixels than the sparse cells' list holds, then (the file goes from the right)
      // some sparse cells past its end.
      for (int k = 0; k < 9000; k++)
        p[rng() % height * width + 301 + rng() % 300] = (unsigned char)k;
      for (int k = 0; k < 30; k++) p[rng() % height * width + rng() % 300] = (unsigned char)k;
    } else {
      const int sprite_x[3] = {0, 260 + 7 * f, width - 64}, sprite_y[3] = {3 * f, 40, height - 48};
      for (int s = 0; s < 3; s++)
        for (int y = 0; y < 48; y++)
          for (int x = 0; x < 64; x++)
            p[size_t(sprite_y[s] + y) * width + sprite_x[s] + x] = (unsigned char)(x * y + f + s);
    }
    anim_encode_indices(&w, p.data(), width);
  }
  anim_close(w);

  for (int run = 0; run < 3; run++) {
    const bool depth = run == 1, clear_each = run == 2;
    uint32_t after_points = 0, after_fast = 0;
    std::vector<GLuint> depth_points, depth_fast;
    auto points = draw_all(path, width, height, ANIM_GL_POINTS, depth, &after_points,
                           &depth_points, clear_each);
    long images = anim_gl_image_frames, blits = anim_gl_image_blits;
    auto fast =
        draw_all(path, width, height, ANIM_GL_FAST, depth, &after_fast, &depth_fast, clear_each);
    EXPECT_EQ(anim_gl_image_frames - images, 10);
    // Solid rectangles are copied, except where the depth test must see each pixel.
    if (depth) {
      EXPECT_EQ(anim_gl_image_blits, blits);
    } else {
      EXPECT_GT(anim_gl_image_blits, blits);
    }
    EXPECT_TRUE(depth_points == depth_fast) << "depth buffers differ";
    ASSERT_EQ(fast.size(), points.size());
    for (size_t f = 0; f < points.size(); f++) {
      size_t differ = 0;
      for (size_t i = 0; i < points[f].size(); i++) differ += points[f][i] != fast[f][i];
      EXPECT_EQ(differ, 0u) << "frame " << f << (depth ? " with depth test" : "")
                            << (clear_each ? " on a cleared screen" : "");
    }
    EXPECT_EQ(after_points, after_fast);
  }
}

// A viewport that does not start at the window's corner, then one that outgrows the texture (made
// anew, in the same context, for the copies to read): the copied rectangles still land where the
// points do.
TEST(AnimDecodeGl, CopiesFollowTheViewportAndANewTexture) {
  vt_test::TempDir dir;
  const std::string small = dir.file("small.anim"), big = dir.file("big.anim");
  vt_test::write_file(small, make_stream(160, 120, 9));
  vt_test::write_file(big, make_stream(300, 200, 4));
  std::vector<std::vector<uint32_t>> runs[2];
  for (int gl_path : {ANIM_GL_POINTS, ANIM_GL_FAST}) {
    vt_test::GlContext gl(300, 200);
    anim_gl_path = gl_path;
    long blits = anim_gl_image_blits;
    const int views[2][4] = {{20, 30, 160, 120}, {0, 0, 300, 200}};
    for (const auto& view : views) {
      glViewport(view[0], view[1], view[2], view[3]);
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      glOrtho(0, view[2], view[3], 0, -1, 1);
      glMatrixMode(GL_MODELVIEW);
      AnimFile a = anim_open((view[2] == 160 ? small : big).c_str());
      while (anim_next_frame(&a)) runs[gl_path].push_back(gl.pixels());
      anim_close(a);
    }
    if (gl_path == ANIM_GL_FAST) {
      EXPECT_GT(anim_gl_image_blits, blits);
    }
    anim_gl_path = ANIM_GL_FAST;
  }
  ASSERT_EQ(runs[0].size(), runs[1].size());
  for (size_t f = 0; f < runs[0].size(); f++) EXPECT_TRUE(runs[0][f] == runs[1][f]) << "frame " << f;
}

// A texture matrix other than the identity would move the texture under the batched quads, so
// the image frames go with glDrawPixels instead: still the points' pixels, colour and depth.
TEST(AnimDecodeGl, DrawPixelsStandsInWhenTheTextureMatrixIsSet) {
  const int width = 160, height = 120;
  vt_test::TempDir dir;
  std::string path = dir.file("t.anim");
  vt_test::write_file(path, make_stream(width, height, 5));
  std::vector<std::vector<uint32_t>> runs[2];
  std::vector<GLuint> depth[2];
  for (int gl_path : {ANIM_GL_POINTS, ANIM_GL_FAST}) {
    vt_test::GlContext gl(width, height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_TEXTURE);
    glScalef(2, 0.5f, 1);
    glMatrixMode(GL_MODELVIEW);
    anim_gl_path = gl_path;
    AnimFile a = anim_open(path.c_str());
    long images = anim_gl_image_frames;
    while (anim_next_frame(&a)) runs[gl_path].push_back(gl.pixels());
    if (gl_path == ANIM_GL_FAST) {
      EXPECT_EQ(anim_gl_image_frames - images, 8);
    }
    anim_close(a);
    anim_gl_path = ANIM_GL_FAST;
    depth[gl_path].assign(size_t(width) * height, 0);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depth[gl_path].data());
  }
  EXPECT_TRUE(runs[0] == runs[1]) << "colours differ";
  EXPECT_TRUE(depth[0] == depth[1]) << "depth buffers differ";
}

TEST(AnimDecodeGl, FastPathStepsAsideForBlending) {
  const int width = 96, height = 80;
  vt_test::TempDir dir;
  std::string path = dir.file("b.anim");
  vt_test::write_file(path, make_stream(width, height, 3));
  std::vector<std::vector<uint32_t>> runs[2];
  for (int gl_path : {ANIM_GL_POINTS, ANIM_GL_FAST}) {
    vt_test::GlContext gl(width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    anim_gl_path = gl_path;
    AnimFile a = anim_open(path.c_str());
    long images = anim_gl_image_frames;
    while (anim_next_frame(&a)) runs[gl_path].push_back(gl.pixels());
    EXPECT_EQ(anim_gl_image_frames, images);
    anim_close(a);
    anim_gl_path = ANIM_GL_FAST;
  }
  EXPECT_EQ(runs[0], runs[1]);
}

TEST(AnimEncodeGl, CapturedFramesDecodeToTheQuantisedScreen) {
  const int width = 37, height = 21;  // rows of 111 bytes, read back padded to 112
  vt_test::GlContext gl(width, height);
  ASSERT_TRUE(gl.ok());
  screen_w = width;
  screen_h = height;
  vt_test::TempDir dir;
  AnimFile rec = anim_writer_open(dir.file("rec.anim").c_str(), 2);
  ASSERT_NE(rec.file, nullptr);
  EXPECT_EQ(rec.width, width);
  EXPECT_EQ(rec.height, height);
  std::mt19937 rng(11);
  std::vector<Picture> expected;
  for (int f = 0; f < 5; f++) {
    glBegin(GL_POINTS);
    for (int k = 0; k < 300; k++) {
      float r = float(rng() % 256) / 255, g = float(rng() % 256) / 255,
            b = float(rng() % 256) / 255;
      glColor3f(r, g, b);
      glVertex2f(float(rng() % width) + 0.5f, float(rng() % height) + 0.5f);
    }
    glEnd();
    Picture want(size_t(width) * height);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++)
        want[size_t(y) * width + x] = (unsigned char)nearest_color(int(gl.pixel(x, y)));
    expected.push_back(want);
    anim_encode_frame(&rec);
  }
  EXPECT_EQ(rec.frame, 5);
  anim_close(rec);
  screen_w = screen_h = 0;

  AnimFile a = anim_open(dir.file("rec.anim").c_str());
  Picture got(size_t(width) * height, 0);
  AnimCanvas canvas = {width, height, got.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  for (const Picture& want : expected) {
    ASSERT_EQ(anim_decode_frame(&a, &sink), 1);
    EXPECT_EQ(got, want) << "frame " << a.frame;
  }
  anim_close(a);
}

// A recorder box past the drawing area's edge records black there, never memory nobody drew.
TEST(AnimEncodeGl, BoxPastTheEdgeRecordsBlackOutside) {
  const int width = 20, height = 10, box_w = 24, box_h = 14;
  vt_test::GlContext gl(width, height);
  ASSERT_TRUE(gl.ok());
  screen_w = width;
  screen_h = height;
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  vt_test::TempDir dir;
  AnimFile rec = anim_writer_open_size(dir.file("rec.anim").c_str(), 2, box_w, box_h);
  ASSERT_NE(rec.file, nullptr);
  // A freed block of the read-back buffer's size, full of white: what an unread pixel would show.
  const size_t row_bytes = (size_t(3) * box_w + 3) & ~size_t(3);
  void* stale = malloc(row_bytes * box_h);
  memset(stale, 0xFF, row_bytes * box_h);
  asm volatile("" : : "r"(stale) : "memory");  // kept, not optimised away
  free(stale);
  anim_encode_frame(&rec);
  anim_close(rec);
  screen_w = screen_h = 0;

  AnimFile a = anim_open(dir.file("rec.anim").c_str());
  Picture got(size_t(box_w) * box_h, 0);
  AnimCanvas canvas = {box_w, box_h, got.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  ASSERT_EQ(anim_decode_frame(&a, &sink), 1);
  anim_close(a);
  for (int y = 0; y < box_h; y++)
    for (int x = 0; x < box_w; x++)
      EXPECT_EQ(got[size_t(y) * box_w + x], nearest_color(x < width && y < height ? 0xFFFFFF : 0))
          << x << "," << y;
}

}  // namespace
