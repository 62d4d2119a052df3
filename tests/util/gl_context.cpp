// OSMesa context for tests (see gl_context.h).
#include "util/gl_context.h"

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstddef>

namespace vt_test {

GlContext::GlContext(int w, int h) : width(w), height(h), buffer(std::size_t(w) * h * 4) {
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!ctx) return;
  if (!OSMesaMakeCurrent(ctx, buffer.data(), GL_UNSIGNED_BYTE, w, h)) {
    OSMesaDestroyContext(ctx);
    return;
  }
  context = ctx;
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w, h, 0, h / 2, -(h / 2));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

GlContext::~GlContext() {
  // Mesa crashes when a context is destroyed with drawing still queued.
  if (context) {
    glFinish();
    OSMesaDestroyContext(static_cast<OSMesaContext>(context));
  }
}

uint32_t GlContext::pixel(int x, int y) const {
  glFinish();
  const uint8_t* p = &buffer[(std::size_t(height - 1 - y) * width + x) * 4];
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

std::vector<uint32_t> GlContext::pixels() const {
  glFinish();
  std::vector<uint32_t> out(std::size_t(width) * height);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) out[std::size_t(y) * width + x] = pixel(x, y);
  return out;
}

}  // namespace vt_test
