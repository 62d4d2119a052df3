// The Win32 host under a real window (wine on a virtual X server in the test run): the shell opens
// its window and OpenGL context through gfx_open, the first frames of the demo animation are drawn
// through the GL decode path into the front buffer, and every pixel read back must equal the
// memory canvas's picture in the colours GL gives the palette. The renderer's limits are known
// before the window exists.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/anim_file.h"
#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/palette.h"
#include "gfx/shell_state.h"
#include "gfx/view.h"
#include "gfx/window.h"
#include "host/host.h"
#include "util/test_util.h"

namespace {

constexpr int kWidth = 200, kHeight = 150;

std::vector<uint32_t> read_front(int w, int h) {
  std::vector<unsigned char> rgb(size_t(w) * h * 3);
  glFinish();
  glReadBuffer(GL_FRONT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  std::vector<uint32_t> out(size_t(w) * h);
  for (int y = 0; y < h; y++)  // GL rows run bottom-up
    for (int x = 0; x < w; x++) {
      const unsigned char* p = &rgb[(size_t(h - 1 - y) * w + x) * 3];
      out[size_t(y) * w + x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  return out;
}

void pump_messages() {
  for (int i = 0; i < 5; i++) gfx_poll();
}

TEST(HostWin32Window, FrontBufferFramesMatchTheCanvas) {
  // Asked before any window exists, through a hidden probe window of its own.
  int max_w = 0, max_h = 0;
  ASSERT_TRUE(host_max_drawing_area(&max_w, &max_h));
  EXPECT_GE(max_w, 2048);
  EXPECT_GE(max_h, 2048);

  windowed = 1;
  ASSERT_EQ(gfx_open(kWidth, kHeight, "Vantorel - window test"), 1);
  pump_messages();  // the first WM_SIZE arrives through the queue
  ASSERT_EQ(screen_w, kWidth);
  ASSERT_EQ(screen_h, kHeight);

  const std::string demo = vt_test::source_path("assets/demo.anim");
  std::vector<unsigned char> index(size_t(kWidth) * kHeight, 0);
  AnimCanvas canvas{kWidth, kHeight, index.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  AnimFile expected = anim_open(demo.c_str());
  AnimFile drawn = anim_open(demo.c_str());
  ASSERT_NE(expected.file, nullptr);
  ASSERT_NE(drawn.file, nullptr);

  glDrawBuffer(GL_FRONT);
  std::vector<std::vector<uint32_t>> frames;
  std::vector<std::vector<unsigned char>> pictures;
  for (int f = 0; f < 4; f++) {
    ASSERT_TRUE(anim_next_frame(&drawn));
    gfx_draw_front();
    frames.push_back(read_front(kWidth, kHeight));
    anim_decode_frame(&expected, &sink);
    pictures.push_back(index);
  }
  anim_close(drawn);
  anim_close(expected);

  // The colour GL gives each palette entry, from one point per entry on a cleared front buffer.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBegin(GL_POINTS);
  for (int i = 0; i < 256; i++) {
    anim_color(i);
    glVertex2f(float(i % 64) + 0.5f, float(i / 64) + 0.5f);
  }
  glEnd();
  std::vector<uint32_t> swatch = read_front(kWidth, kHeight);
  std::vector<uint32_t> colour(256);
  for (int i = 0; i < 256; i++) colour[size_t(i)] = swatch[size_t(i / 64) * kWidth + i % 64];

  for (size_t f = 0; f < frames.size(); f++) {
    int wrong = 0;
    for (size_t p = 0; p < frames[f].size(); p++)
      if (frames[f][p] != colour[pictures[f][p]]) wrong++;
    EXPECT_EQ(wrong, 0) << "frame " << f + 1;
  }
  // A picture that stayed black would pass against a blank canvas; the demo's first frames do not.
  int lit = 0;
  for (uint32_t c : frames.back()) lit += c != 0;
  EXPECT_GT(lit, kWidth * kHeight / 4);
}

}  // namespace
