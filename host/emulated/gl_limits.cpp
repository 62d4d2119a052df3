// The drawing-area limits of the current OpenGL context: the smaller of the viewport's and, where
// the GL has renderbuffers, the renderbuffer's largest size.
#include "host/emulated/gl_limits.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

namespace {
constexpr GLenum kMaxRenderbufferSize = 0x84E8;  // not in the OpenGL 1.1 header
}  // namespace

void gl_limits(int* width, int* height) {
  GLint viewport[2] = {0, 0}, buffer = 0;
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  glGetIntegerv(kMaxRenderbufferSize, &buffer);
  while (glGetError() != GL_NO_ERROR) {
  }
  *width = viewport[0];
  *height = viewport[1];
  if (buffer > 0 && (*width == 0 || buffer < *width)) *width = buffer;
  if (buffer > 0 && (*height == 0 || buffer < *height)) *height = buffer;
}
