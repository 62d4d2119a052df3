// What drawing costs the headless player's GL (OSMesa) in processor time: the figures that
// anim/frame_cells.h weighs points against rectangles by (POINT_NS, QUAD_NS, DRAW_PIXELS_NS,
// PIXEL_NS), and the least a 1280x720 frame that changes everywhere can take, as one textured quad
// and as one copy from a texture. Re-run after a change of GL driver or machine and carry the
// figures over. Argument 1: how many times to measure, each printed (default 1).
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_gl.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;

// The costs the frame path weighs its choices by, measured the way it draws: on a 1280x720
// context with the player's projection, the depth test (on after gfx_open) and the alpha test on,
// the dearer case, each frame finished before the next, processor time of all threads.
// Nanoseconds: a point of a GL_POINTS batch, an 8x8 rectangle of a batch of textured quads
// (glTexSubImage2D and the quad), a glDrawPixels call, and a pixel of a large rectangle either way.
// Then the same for copies from the texture, and the processor ms of the cheapest full frames: one
// 1280x720 textured quad or copy (0 without glBlitFramebuffer), uploaded, drawn with the depth and
// alpha tests off and finished, as the player draws a frame that changes everywhere.
struct GlFloors {
  double quad_ms = 0, copy_ms = 0;
};
GlFloors print_gl_costs() {
  std::vector<unsigned char> buffer;
  OSMesaContext ctx = open_player_context(&buffer, kWidth, kHeight);
  if (!ctx) return {};
  std::vector<uint32_t> image(size_t(kWidth) * kHeight);
  for (size_t i = 0; i < image.size(); i++) image[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
  GLuint tex;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2048, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, kWidth);
  // Processor ns of one frame drawn by draw, median of 9.
  auto frame_ns = [](auto draw) {
    std::vector<double> t;
    for (int k = 0; k < 10; k++) {
      double start = cpu_now();
      draw();
      glFinish();
      if (k > 0) t.push_back((cpu_now() - start) * 1e9);
    }
    return median(t);
  };
  // The corner of the i-th of the rectangles spread over the picture, and their upload.
  auto spot_x = [](int i) { return i * 37 % (kWidth / 16) * 16; };
  auto spot_y = [](int i) { return i * 53 % (kHeight / 16) * 16; };
  auto upload = [&](int n, int w, int h) {
    for (int i = 0; i < n; i++) {
      glPixelStorei(GL_UNPACK_SKIP_PIXELS, spot_x(i));
      glPixelStorei(GL_UNPACK_SKIP_ROWS, spot_y(i));
      glTexSubImage2D(GL_TEXTURE_2D, 0, spot_x(i), spot_y(i), w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                      image.data());
    }
  };
  auto quads = [&](int n, int w, int h) {  // n w x h rectangles spread over the picture
    upload(n, w, h);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    for (int i = 0; i < n; i++) {
      float x = float(spot_x(i)), y = float(spot_y(i));
      glTexCoord2f(x / 2048, y / 1024);
      glVertex2f(x, y);
      glTexCoord2f((x + w) / 2048, y / 1024);
      glVertex2f(x + w, y);
      glTexCoord2f((x + w) / 2048, (y + h) / 1024);
      glVertex2f(x + w, y + h);
      glTexCoord2f(x / 2048, (y + h) / 1024);
      glVertex2f(x, y + h);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
  };
  auto draw_pixels = [&](int n, int w, int h) {
    for (int i = 0; i < n; i++) {
      int x = spot_x(i), y = spot_y(i);
      glRasterPos2f(float(x + 0.1), float(y + h - 1 + 0.9));
      glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    }
  };
  const int big_w = kWidth, big_h = kHeight;
  const double pixel = (frame_ns([&] { quads(1, big_w, big_h); }) -
                        frame_ns([&] { quads(1, 8, 8); })) / (big_w * big_h - 64);
  const double dp_pixel = (frame_ns([&] { draw_pixels(1, big_w, big_h); }) -
                           frame_ns([&] { draw_pixels(1, 8, 8); })) / (big_w * big_h - 64);
  const double quad = frame_ns([&] { quads(1000, 8, 8); }) / 1000 - 64 * pixel;
  const double call = frame_ns([&] { draw_pixels(200, 8, 8); }) / 200 - 64 * dp_pixel;
  const double point = frame_ns([&] {
    glBegin(GL_POINTS);
    for (int i = 0; i < 4000; i++) {
      glColor4ubv(reinterpret_cast<const GLubyte*>(&image[size_t(i) * 97]));
      glVertex2f(float(i * 7 % kWidth) + 0.1f, float(i * 13 % kHeight) + 0.1f);
    }
    glEnd();
  }) / 4000;
  printf("GL costs (processor ns; the constants atop anim/frame_cells.h): point %.0f, quad in the "
         "batch %.0f, glDrawPixels call %.0f, pixel %.1f (quads) %.1f (glDrawPixels)\n",
         point, quad, call, pixel, dp_pixel);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
  GlFloors floors;
  floors.quad_ms = frame_ns([&] { quads(1, big_w, big_h); }) * 1e-6;
  // Copies from the texture as the player makes them (rows turned over), where the GL has them.
  using BindFn = void (*)(GLenum, GLuint);
  using BlitFn = void (*)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);
  auto gen = reinterpret_cast<void (*)(GLsizei, GLuint*)>(OSMesaGetProcAddress("glGenFramebuffers"));
  auto bind = reinterpret_cast<BindFn>(OSMesaGetProcAddress("glBindFramebuffer"));
  auto attach = reinterpret_cast<void (*)(GLenum, GLenum, GLenum, GLuint, GLint)>(
      OSMesaGetProcAddress("glFramebufferTexture2D"));
  auto blit = reinterpret_cast<BlitFn>(OSMesaGetProcAddress("glBlitFramebuffer"));
  if (gen && bind && attach && blit) {
    const GLenum read = 0x8CA8, colour0 = 0x8CE0;
    GLuint fbo;
    gen(1, &fbo);
    bind(read, fbo);
    attach(read, colour0, GL_TEXTURE_2D, tex, 0);
    auto copies = [&](int n, int w, int h) {
      upload(n, w, h);
      for (int i = 0; i < n; i++) {
        int x = spot_x(i), y = spot_y(i);
        blit(x, y, x + w, y + h, x, kHeight - y, x + w, kHeight - y - h, GL_COLOR_BUFFER_BIT,
             GL_NEAREST);
      }
    };
    const double copy_pixel = (frame_ns([&] { copies(1, big_w, big_h); }) -
                               frame_ns([&] { copies(1, 8, 8); })) / (big_w * big_h - 64);
    const double copy = frame_ns([&] { copies(1000, 8, 8); }) / 1000 - 64 * copy_pixel;
    printf("Copies (glBlitFramebuffer, for rectangles wholly of changed pixels without the depth "
           "test): %.0f a rectangle, pixel %.2f\n", copy, copy_pixel);
    floors.copy_ms = frame_ns([&] { copies(1, big_w, big_h); }) * 1e-6;
    bind(read, 0);
  }
  glDeleteTextures(1, &tex);
  OSMesaDestroyContext(ctx);
  return floors;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
  for (int r = 0; r < runs; r++) {
    const GlFloors floors = print_gl_costs();
    printf("Least for a full-change 1280x720 frame: one textured quad %.2f ms, one full-screen "
           "copy %.2f ms (0: no glBlitFramebuffer)\n", floors.quad_ms, floors.copy_ms);
  }
  return 0;
}
