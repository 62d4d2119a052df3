// The scenes of the layer comparison: each exercises a part of OpenGL 1.1 that the library uses
// (points on pixels, flat and smooth polygons, textures of every base format, mipmaps, pixel
// rectangles with the unpack store, blending, alpha and depth tests, scissor, lighting, cube maps,
// read-back through glReadPixels, glCopyTexImage2D and glGetTexImage, and the attribute stacks).
#include "tests/web/gl_scenes.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

#ifndef GL_TEXTURE_CUBE_MAP
#define GL_TEXTURE_CUBE_MAP 0x8513
#define GL_TEXTURE_CUBE_MAP_POSITIVE_X 0x8515
#endif

namespace {

const int S = kSceneSize;

void pixel_projection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, S, S, 0, -1, 1);  // top-left origin, one unit a pixel
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void reset() {
  const GLenum caps[] = {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_TEXTURE_2D,
                         GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_TEXTURE_CUBE_MAP};
  for (GLenum cap : caps)
    glDisable(cap);
  glViewport(0, 0, S, S);
  glShadeModel(GL_SMOOTH);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  glBindTexture(GL_TEXTURE_2D, 0);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelZoom(1, 1);
  glColor3f(1, 1, 1);
  glClearColor(26 / 255.0f, 51 / 255.0f, 77 / 255.0f, 0);  // whole bytes: no rounding of halves
  glClearDepth(1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  pixel_projection();
}

void quad(double x, double y, double w, double h) {
  glBegin(GL_QUADS);
  glTexCoord2d(0, 0), glVertex2d(x, y);
  glTexCoord2d(1, 0), glVertex2d(x + w, y);
  glTexCoord2d(1, 1), glVertex2d(x + w, y + h);
  glTexCoord2d(0, 1), glVertex2d(x, y + h);
  glEnd();
}

GLuint texture(GLint internal, int w, int h, GLenum format, const uint8_t* data, GLint filter) {
  GLuint t;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter == GL_NEAREST ? GL_NEAREST : GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, internal, w, h, 0, format, GL_UNSIGNED_BYTE, data);
  return t;
}

// ---- scenes -------------------------------------------------------------------------------------

void points() {
  glBegin(GL_POINTS);
  for (int y = 0; y < S; y++)
    for (int x = (y * 7) % 3; x < S; x += 3) {
      glColor3ub(GLubyte(x * 4), GLubyte(y * 4), GLubyte((x * y) & 255));
      const double in[3] = {0.0, 0.5, 0.9};  // anywhere inside the pixel, its corner too
      glVertex2f(float(x + in[(x + y) % 3]), float(y + in[(x * 2 + y) % 3]));
    }
  glEnd();
}

void flat_polygons() {
  glShadeModel(GL_FLAT);
  glBegin(GL_QUADS);  // the last vertex's colour
  glColor3ub(255, 0, 0), glVertex2i(2, 2);
  glColor3ub(0, 255, 0), glVertex2i(30, 2);
  glColor3ub(0, 0, 255), glVertex2i(30, 30);
  glColor3ub(200, 200, 0), glVertex2i(2, 30);
  glEnd();
  glBegin(GL_TRIANGLES);
  glColor3ub(10, 20, 30), glVertex2i(34, 2);
  glColor3ub(40, 50, 60), glVertex2i(62, 2);
  glColor3ub(250, 128, 7), glVertex2i(34, 30);
  glEnd();
  glBegin(GL_TRIANGLE_FAN);
  glColor3ub(255, 255, 255), glVertex2i(16, 48);
  for (int i = 0; i <= 8; i++) {
    glColor3ub(GLubyte(i * 30), GLubyte(255 - i * 30), 128);
    glVertex2i(16 + (i % 2 ? 14 : 0) - (i % 4 == 3 ? 28 : 0), 34 + (i / 2) * 7);
  }
  glEnd();
  glBegin(GL_QUAD_STRIP);
  for (int i = 0; i < 5; i++) {
    glColor3ub(GLubyte(50 * i), 90, GLubyte(255 - 50 * i));
    glVertex2i(34 + i * 7, 36), glVertex2i(34 + i * 7, 62);
  }
  glEnd();
}

void smooth_polygons() {
  glBegin(GL_QUADS);
  glColor3ub(255, 0, 0), glVertex2i(2, 2);
  glColor3ub(0, 255, 0), glVertex2i(62, 2);
  glColor3ub(0, 0, 255), glVertex2i(62, 62);
  glColor3ub(255, 255, 255), glVertex2i(2, 62);
  glEnd();
}

void textures_nearest() {
  uint8_t rgba[8 * 8 * 4], lum[8 * 8], alpha[8 * 8];
  for (int i = 0; i < 64; i++) {
    rgba[i * 4] = uint8_t(i * 4), rgba[i * 4 + 1] = uint8_t(255 - i * 4);
    rgba[i * 4 + 2] = uint8_t((i * 37) & 255), rgba[i * 4 + 3] = 255;
    lum[i] = uint8_t((i % 8) * 32 + (i / 8) * 3);
    alpha[i] = uint8_t(i * 4 + 3);
  }
  glEnable(GL_TEXTURE_2D);
  GLuint a = texture(GL_RGBA, 8, 8, GL_RGBA, rgba, GL_NEAREST);
  quad(0, 0, 32, 32);
  GLuint b = texture(GL_LUMINANCE, 8, 8, GL_LUMINANCE, lum, GL_NEAREST);
  glColor3ub(255, 128, 0);  // modulated
  quad(32, 0, 32, 32);
  GLuint c = texture(GL_ALPHA, 8, 8, GL_ALPHA, alpha, GL_NEAREST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ZERO);  // alpha only scales: the colour is the vertex's
  glColor3ub(0, 255, 255);
  quad(0, 32, 32, 32);
  glDisable(GL_BLEND);
  GLuint d = texture(GL_RGB, 8, 8, GL_RGBA, rgba, GL_NEAREST);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glColor3ub(10, 10, 10);
  quad(32, 32, 32, 32);
  GLuint all[4] = {a, b, c, d};
  glDeleteTextures(4, all);
}

void textures_filtered() {
  // 16x16 with its mipmap levels, each level its own colour, minified and magnified.
  GLuint t;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int level = 0, size = 16; size >= 1; level++, size /= 2) {
    std::vector<uint8_t> img(size_t(size) * size * 4);
    for (int i = 0; i < size * size; i++) {
      img[size_t(i) * 4] = uint8_t(((i % size) + (i / size)) % 2 ? 255 : level * 40);
      img[size_t(i) * 4 + 1] = uint8_t(level * 50);
      img[size_t(i) * 4 + 2] = uint8_t(255 - level * 30);
      img[size_t(i) * 4 + 3] = 255;
    }
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, img.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glEnable(GL_TEXTURE_2D);
  quad(0, 0, 40, 40);   // magnified
  quad(44, 4, 6, 6);    // minified
  quad(44, 20, 12, 12);
  glDeleteTextures(1, &t);
}

void pixel_rectangles() {
  // A 20x12 RGBA image, drawn from a sub-rectangle through the unpack store, with the alpha test.
  uint8_t img[20 * 12 * 4];
  for (int i = 0; i < 20 * 12; i++) {
    img[i * 4] = uint8_t(i * 3), img[i * 4 + 1] = uint8_t(i * 7), img[i * 4 + 2] = uint8_t(i);
    img[i * 4 + 3] = (i % 5) ? 255 : 0;
  }
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 20);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 3);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 2);
  glRasterPos2f(4.1f, 20.9f);  // inside the pixel, as the decoder places its rectangles
  glDrawPixels(14, 8, GL_RGBA, GL_UNSIGNED_BYTE, img);
  glDisable(GL_ALPHA_TEST);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  // RGB rows of 3 pixels padded to 4 bytes, doubled by the zoom.
  uint8_t rgb[3 * 12 * 3 + 12 * 3];
  for (size_t i = 0; i < sizeof rgb; i++) rgb[i] = uint8_t(i * 5);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelZoom(2, 2);
  glRasterPos2f(30.3f, 60.7f);  // not on a pixel centre: zoomed edges are then unambiguous
  glDrawPixels(3, 12, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelZoom(1, 1);
}

void blending() {
  glColor3ub(200, 40, 90);
  quad(0, 0, 64, 32);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4ub(20, 220, 120, 128);
  quad(8, 8, 48, 48);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  glColor4ub(100, 100, 200, 255);
  quad(16, 40, 16, 16);
  glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA);
  glColor4ub(255, 128, 64, 64);
  quad(40, 16, 16, 40);
  glDisable(GL_BLEND);
}

void depth_and_scissor() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, S, S, 0, 10, -10);  // larger z is nearer
  glMatrixMode(GL_MODELVIEW);
  glBegin(GL_QUADS);
  glColor3ub(255, 0, 0);
  glVertex3d(4, 4, 1), glVertex3d(40, 4, 1), glVertex3d(40, 40, 1), glVertex3d(4, 40, 1);
  glColor3ub(0, 255, 0);  // behind: hidden where they overlap
  glVertex3d(20, 20, -1), glVertex3d(60, 20, -1), glVertex3d(60, 60, -1), glVertex3d(20, 60, -1);
  glEnd();
  glDepthMask(GL_FALSE);
  glColor3ub(0, 0, 255);  // in front, but writes no depth
  quad(10, 30, 20, 20);
  glDepthMask(GL_TRUE);
  glEnable(GL_SCISSOR_TEST);
  glScissor(44, 2, 16, 10);
  glClearColor(1, 1, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glScissor(0, 0, 32, 32);  // window rows from the bottom
  glColor3ub(255, 255, 255);
  glDisable(GL_DEPTH_TEST);
  quad(24, 24, 16, 16);
  glDisable(GL_SCISSOR_TEST);
}

void lighting() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1}, diffuse[] = {0.9f, 0.9f, 0.8f, 1},
          specular[] = {0.6f, 0.6f, 0.6f, 1}, dir[] = {0.4f, 0.6f, 1, 0};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT0, GL_POSITION, dir);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 30);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DEPTH_TEST);
  glTranslated(0, 0, -3);
  glRotated(25, 1, 0.5, 0);
  glColor3ub(180, 120, 60);
  const int n = 16;
  for (int i = 0; i < n; i++) {  // a sphere of quads, normals from its centre
    double a0 = M_PI * i / n - M_PI / 2, a1 = M_PI * (i + 1) / n - M_PI / 2;
    glBegin(GL_QUAD_STRIP);
    for (int j = 0; j <= 2 * n; j++) {
      double b = 2 * M_PI * j / (2 * n);
      for (double a : {a0, a1}) {
        double x = cos(a) * cos(b), y = sin(a), z = cos(a) * sin(b);
        glNormal3d(x, y, z);
        glVertex3d(x, y, z);
      }
    }
    glEnd();
  }
  glDisable(GL_LIGHTING);
  glDisable(GL_COLOR_MATERIAL);
}

void cube_map() {
  GLuint t;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_CUBE_MAP, t);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const uint8_t colours[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                 {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  for (int f = 0; f < 6; f++) {
    uint8_t img[4 * 4 * 3];
    for (int i = 0; i < 16; i++) std::memcpy(&img[i * 3], colours[f], 3);
    glTexImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f), 0, GL_RGB, 4, 4, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, img);
  }
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glEnable(GL_TEXTURE_CUBE_MAP);
  const float dirs[6][3] = {{1, 0.2f, 0.1f}, {-1, 0.1f, 0.3f}, {0.2f, 1, 0.1f},
                            {0.1f, -1, 0.2f}, {0.3f, 0.1f, 1}, {0.1f, 0.2f, -1}};
  for (int f = 0; f < 6; f++) {
    double x = (f % 3) * 21, y = (f / 3) * 32;
    glBegin(GL_QUADS);
    glTexCoord3f(dirs[f][0], dirs[f][1], dirs[f][2]);
    glVertex2d(x, y), glVertex2d(x + 20, y), glVertex2d(x + 20, y + 30), glVertex2d(x, y + 30);
    glEnd();
  }
  glDisable(GL_TEXTURE_CUBE_MAP);
  glDeleteTextures(1, &t);
}

void read_back() {
  // A picture in the top half, read back and drawn again below; a texture copied from it; a
  // luminance texture's texels read back with glGetTexImage and drawn as pixels.
  glShadeModel(GL_FLAT);
  for (int band = 0; band < 4; band++) {
    glColor3ub(GLubyte(250 - band * 60), 10, GLubyte(10 + band * 60));
    quad(0, band * 4, 32, 4);
  }
  glBegin(GL_TRIANGLES);
  glColor3ub(0, 200, 0), glVertex2i(32, 0), glVertex2i(64, 0), glVertex2i(48, 16);
  glEnd();
  glShadeModel(GL_SMOOTH);
  std::vector<uint8_t> rgb(size_t(S) * 16 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, S - 16, S, 16, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glRasterPos2f(0.3f, 31.7f);
  glDrawPixels(S, 16, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

  GLuint t;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, S - 16, 32, 16, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glEnable(GL_TEXTURE_2D);
  glColor3ub(255, 255, 255);
  glBegin(GL_QUADS);  // upside down, through texture coordinates
  glTexCoord2d(0, 0), glVertex2i(0, 32);
  glTexCoord2d(1, 0), glVertex2i(32, 32);
  glTexCoord2d(1, 1), glVertex2i(32, 48);
  glTexCoord2d(0, 1), glVertex2i(0, 48);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &t);

  uint8_t lum[8 * 4];
  for (int i = 0; i < 32; i++) lum[i] = uint8_t(i * 8);
  GLuint l = texture(GL_LUMINANCE, 8, 4, GL_LUMINANCE, lum, GL_NEAREST);
  GLint w = 0, h = 0, internal = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPONENTS, &internal);
  uint8_t back[8 * 4 * 4] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (w == 8 && h == 4 && internal == GL_LUMINANCE)
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);  // luminance reads as red
  glDeleteTextures(1, &l);
  glPixelZoom(4, 4);
  glRasterPos2f(32.3f, 63.7f);
  glDrawPixels(8, 4, GL_RGBA, GL_UNSIGNED_BYTE, back);
  glPixelZoom(1, 1);
}

void attribute_stacks() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor3ub(100, 0, 0);
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_CURRENT_BIT);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ZERO);
  glColor3ub(0, 0, 255);
  quad(0, 0, 32, 32);
  glPopAttrib();  // blending on again, adding, in the colour before
  quad(16, 16, 32, 32);
  quad(24, 24, 32, 32);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPopClientAttrib();
  GLint align = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
  glDisable(GL_BLEND);
  glColor3ub(align == 4 ? 0 : 255, 255, 0);  // green: the alignment came back
  quad(2, 50, 12, 12);
  GLboolean blend = glIsEnabled(GL_BLEND);
  glColor3ub(blend ? 255 : 0, 0, 255);
  quad(50, 2, 12, 12);
}

void lines() {
  glBegin(GL_LINE_LOOP);
  glColor3ub(255, 255, 0);
  glVertex2f(4.5f, 4.5f), glVertex2f(59.5f, 4.5f), glVertex2f(59.5f, 59.5f), glVertex2f(4.5f, 59.5f);
  glEnd();
  glBegin(GL_LINES);
  glColor3ub(0, 255, 255);
  glVertex2f(10.5f, 30.5f), glVertex2f(54.5f, 30.5f);
  glVertex2f(30.5f, 10.5f), glVertex2f(30.5f, 54.5f);
  glEnd();
}

}  // namespace

const GlScene kGlScenes[] = {
    {"points", points, 0, 0},
    {"flat_polygons", flat_polygons, 0, 0},
    {"smooth_polygons", smooth_polygons, 4, 0},
    {"textures_nearest", textures_nearest, 1, 0},
    // The minified quads' edge pixels: GL_CLAMP's border is not blended into mipmap levels.
    {"textures_filtered", textures_filtered, 8, 80},
    {"pixel_rectangles", pixel_rectangles, 0, 0},
    {"blending", blending, 1, 0},
    {"depth_and_scissor", depth_and_scissor, 0, 0},
    {"lighting", lighting, 3, 40},
    {"cube_map", cube_map, 0, 0},
    {"read_back", read_back, 0, 0},
    {"attribute_stacks", attribute_stacks, 0, 0},
    {"lines", lines, 0, 12},
};
const int kGlSceneCount = int(sizeof kGlScenes / sizeof kGlScenes[0]);

void gl_scene_run(int i, uint8_t* rgba) {
  reset();
  kGlScenes[i].draw();
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, S, S, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
