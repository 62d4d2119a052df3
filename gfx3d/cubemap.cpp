// Cube-map building: the colour function fills six tightly packed RGB face images (texel (i, j) at
// byte 3 x (j x size + i)), which are then spread in place to the 4-byte row alignment the texture
// upload works with, so every size, odd ones included, reaches OpenGL intact.
#include "gfx3d/cubemap.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/texture.h"

#ifndef GL_TEXTURE_CUBE_MAP
#define GL_TEXTURE_CUBE_MAP 0x8513
#endif
#ifndef GL_MAX_CUBE_MAP_TEXTURE_SIZE
#define GL_MAX_CUBE_MAP_TEXTURE_SIZE 0x851C
#endif

namespace {

// Face images in the order the colour function is asked: +Z, -Z, +Y, -Y, +X, -X.
enum { FACE_PZ, FACE_NZ, FACE_PY, FACE_NY, FACE_PX, FACE_NX, FACES };

void ask_six(CubeColorFn colour, double u, double v, unsigned char* out[FACES]) {
  double k = 1.0 / sqrt(u * u + 1.0 + v * v);
  double x = u * k, y = v * k, z = k;
  colour(x, -y, z, out[FACE_PZ]);
  colour(-x, -y, -z, out[FACE_NZ]);
  colour(x, z, y, out[FACE_PY]);
  colour(x, -z, -y, out[FACE_NY]);
  colour(z, -y, -x, out[FACE_PX]);
  colour(-z, -y, x, out[FACE_NX]);
}

// True when size and samples give a texture this GL can hold, buffers whose size fits in size_t,
// and a countable number of colour calls (6 x size^2 x samples^2 in 64 bits, samples^2 in 32).
bool sizes_sound(unsigned size, unsigned samples, size_t* face_bytes) {
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &max_size);
  if (size == 0 || max_size <= 0 || size > unsigned(max_size) || size > unsigned(INT_MAX / 4))
    return false;
  uint64_t per_texel = samples >= 2 ? uint64_t(samples) * samples : 1;
  if (per_texel > UINT_MAX) return false;
  uint64_t texels = uint64_t(size) * size, calls;
  if (__builtin_mul_overflow(texels, per_texel * 6, &calls)) return false;
  size_t stride = size_t(tex_stride(int(size), 3));
  return !__builtin_mul_overflow(stride, size_t(size), face_bytes);
}

}  // namespace

unsigned make_cubemap(CubeColorFn colour, unsigned size, unsigned samples) {
  size_t face_bytes = 0;
  if (!colour || !sizes_sound(size, samples, &face_bytes)) return 0;

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture);

  uint8_t* faces[FACES] = {};
  for (int f = 0; f < FACES; f++) {
    faces[f] = static_cast<uint8_t*>(calloc(face_bytes, 1));
    if (!faces[f]) {
      for (int g = 0; g < f; g++) free(faces[g]);
      glDeleteTextures(1, &texture);
      return 0;
    }
  }

  const unsigned n = size;
  const double h = 0.5 * n;
  unsigned char* texel[FACES];
  if (samples <= 1) {
    for (unsigned j = n; j-- > 0;)
      for (unsigned i = n; i-- > 0;) {
        size_t at = 3 * (size_t(j) * n + i);
        for (int f = 0; f < FACES; f++) texel[f] = faces[f] + at;
        ask_six(colour, (i + 0.5 - h) / h, (j + 0.5 - h) / h, texel);
      }
  } else {
    const unsigned b = samples, count = b * b;
    unsigned char scratch[FACES * 3] = {};
    for (int f = 0; f < FACES; f++) texel[f] = scratch + 3 * f;
    for (unsigned j = n; j-- > 0;)
      for (unsigned i = n; i-- > 0;) {
        double sum[FACES * 3] = {};
        // Each sub-sample gets its own column and its own row of a count x count grid.
        for (unsigned s = count; s-- > 0;) {
          unsigned r = (b - 1 - s / b) + b * (s % b);
          double u = ((i - h) + (s + 0.5) / count) / h;
          double v = ((j - h) + (r + 0.5) / count) / h;
          ask_six(colour, u, v, texel);
          for (int c = 0; c < FACES * 3; c++) sum[c] += scratch[c];
        }
        size_t at = 3 * (size_t(j) * n + i);
        for (int f = 0; f < FACES; f++)
          for (int c = 0; c < 3; c++) faces[f][at + c] = uint8_t(sum[3 * f + c] * (1.0 / count));
      }
  }

  // Spread the packed rows to the upload's padded stride, last row first (rows only move up).
  const size_t packed = size_t(n) * 3, stride = size_t(tex_stride(int(n), 3));
  if (stride != packed)
    for (int f = 0; f < FACES; f++)
      for (size_t j = n; j-- > 1;) memmove(faces[f] + j * stride, faces[f] + j * packed, packed);

  uint8_t* const upload[6] = {faces[FACE_PX], faces[FACE_NX], faces[FACE_PY],
                              faces[FACE_NY], faces[FACE_PZ], faces[FACE_NZ]};
  tex_upload_cube(3, int(n), upload);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (int f = 0; f < FACES; f++) free(faces[f]);
  return texture;
}

void draw_skybox(unsigned texture) {
  static const float corners[24][3] = {
      {1, 1, 1},    {1, 1, -1},   {1, -1, -1},  {1, -1, 1},     // x = +1
      {1, 1, 1},    {1, 1, -1},   {-1, 1, -1},  {-1, 1, 1},     // y = +1
      {1, 1, 1},    {1, -1, 1},   {-1, -1, 1},  {-1, 1, 1},     // z = +1
      {-1, -1, -1}, {-1, -1, 1},  {-1, 1, 1},   {-1, 1, -1},    // x = -1
      {-1, -1, -1}, {-1, -1, 1},  {1, -1, 1},   {1, -1, -1},    // y = -1
      {-1, -1, -1}, {-1, 1, -1},  {1, 1, -1},   {1, -1, -1},    // z = -1
  };
  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_CUBE_MAP);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
  glColor3f(1, 1, 1);
  glBegin(GL_QUADS);
  for (const auto& p : corners) {
    glTexCoord3f(p[0], p[1], p[2]);
    glVertex3f(p[0], p[1], p[2]);
  }
  glEnd();
  glClear(GL_DEPTH_BUFFER_BIT);
  glPopMatrix();
  glPopAttrib();
}
