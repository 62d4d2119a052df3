// What the GL benchmarks share: processor time of the whole process, the median of a run of
// figures, and an off-screen context set up as the player's window after gfx_open.
#pragma once

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <ctime>
#include <vector>

// Processor time of this process, all its threads (OSMesa's rasteriser has its own).
inline double cpu_now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A width x height context in *buffer set up as the player's window after gfx_open: its
// projection, the depth test on, cleared. Null when OSMesa cannot make one.
inline OSMesaContext open_player_context(std::vector<unsigned char>* buffer, int width,
                                         int height) {
  buffer->assign(size_t(width) * height * 4, 0);
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!ctx) return nullptr;
  if (!OSMesaMakeCurrent(ctx, buffer->data(), GL_UNSIGNED_BYTE, width, height)) {
    OSMesaDestroyContext(ctx);
    return nullptr;
  }
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, height / 2, -(height / 2));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return ctx;
}
