// Texture upload with CPU-built mipmaps: each level is the rounded 2x2 mean of the one above,
// computed in place in the caller's buffer (a destination row never lies after its source rows).
// At an odd or single row or column the block repeats the edge texel, so no level ever reads
// outside its own image.
#include "text/texture.h"

#include <GL/gl.h>

#include <cstdlib>

#ifndef GL_TEXTURE_CUBE_MAP_POSITIVE_X
#define GL_TEXTURE_CUBE_MAP_POSITIVE_X 0x8515
#endif

const uint32_t tex_formats[5] = {0, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA};

namespace {

// Buffers are laid out with rows padded to 4 bytes; make sure OpenGL reads and writes them so
// whatever pixel-store state a caller left behind.
struct PixelStoreGuard {
  PixelStoreGuard() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  }
  ~PixelStoreGuard() { glPopClientAttrib(); }
};

bool valid_components(int c) { return c >= 1 && c <= 4; }

// Component count of a texture's internal format: the legacy counts and base formats, and the
// common sized formats; anything else is taken as three components.
int components_of(GLint internal) {
  for (int c = 1; c <= 4; c++)
    if (GLint(tex_formats[c]) == internal) return c;
  if (internal >= 1 && internal <= 4) return internal;
  switch (internal) {
    case GL_LUMINANCE4: case GL_LUMINANCE8: case GL_LUMINANCE12: case GL_LUMINANCE16:
      return 1;
    case GL_LUMINANCE4_ALPHA4: case GL_LUMINANCE8_ALPHA8: case GL_LUMINANCE16_ALPHA16:
      return 2;
    case GL_RGBA2: case GL_RGBA4: case GL_RGB5_A1: case GL_RGBA8: case GL_RGB10_A2:
    case GL_RGBA12: case GL_RGBA16:
      return 4;
    default:
      return 3;
  }
}

}  // namespace

int tex_stride(int w, int c) { return ((w * c + 3) / 4) * 4; }

void tex_upload_mipmapped(uint32_t target, int c, int w, int h, uint8_t* image) {
  if (!valid_components(c)) return;
  {
    PixelStoreGuard guard;
    glTexImage2D(target, 0, c, w, h, 0, tex_formats[c], GL_UNSIGNED_BYTE, image);
  }
  tex_build_mips(target, c, tex_formats[c], w, h, image);
}

void tex_build_mips(uint32_t target, int c, uint32_t format, int w, int h, uint8_t* image) {
  if (!valid_components(c) || w < 1 || h < 1 || !image) return;
  PixelStoreGuard guard;
  int src_stride = tex_stride(w, c);
  int level = 1;
  while (w > 1 || h > 1) {
    int src_w = w, src_h = h;
    w = (w + 1) / 2;
    h = (h + 1) / 2;
    int dst_stride = tex_stride(w, c);
    for (int i = 0; i < h; i++) {
      const uint8_t* row0 = image + size_t(2 * i) * src_stride;
      const uint8_t* row1 = 2 * i + 1 < src_h ? row0 + src_stride : row0;
      uint8_t* dst = image + size_t(i) * dst_stride;
      for (int j = 0; j < w; j++) {
        int x0 = 2 * j * c;
        int x1 = 2 * j + 1 < src_w ? x0 + c : x0;
        for (int k = 0; k < c; k++)
          dst[j * c + k] = uint8_t((row0[x0 + k] + row0[x1 + k] + row1[x0 + k] + row1[x1 + k] + 2) / 4);
      }
    }
    glTexImage2D(target, level, c, w, h, 0, format, GL_UNSIGNED_BYTE, image);
    level++;
    src_stride = dst_stride;
  }
}

void tex_upload_cube(int c, int size, uint8_t* const images[6]) {
  for (int face = 0; face < 6; face++)
    tex_upload_mipmapped(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, c, size, size, images[face]);
}

void tex_rebuild_mips() {
  GLint w = 0, h = 0, internal = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPONENTS, &internal);
  if (w < 1 || h < 1) return;
  int c = components_of(internal);
  uint8_t* buffer = static_cast<uint8_t*>(malloc(size_t(tex_stride(w, c)) * size_t(h)));
  if (!buffer) return;
  {
    PixelStoreGuard guard;
    glGetTexImage(GL_TEXTURE_2D, 0, tex_formats[c], GL_UNSIGNED_BYTE, buffer);
  }
  tex_build_mips(GL_TEXTURE_2D, c, tex_formats[c], w, h, buffer);
  free(buffer);
}
