// Drawing decoded frames with OpenGL. The literal path sends every pixel as one point of a
// GL_POINTS batch (anim_plot). The fast path gathers the frame's pixels in an RGBA image, notes
// which 8x8 cells they fall in and how many pixels each holds, and draws the cells: the few with a
// pixel or two as points, the rest in rectangles chosen by cost. The rectangles are copied into a
// texture kept for the purpose and drawn as one batch of textured quads, unchanged pixels discarded
// by the alpha test (glDrawPixels, one call per rectangle, where the texture cannot be used).
// Rectangles wholly of the frame's pixels are copied from the texture with glBlitFramebuffer where
// the GL has it and nothing else is written (no depth test): in Mesa's software renderer a copy
// costs a tenth of a textured quad. It is all used only where the GL state makes it give the same
// pixels as points, colour and depth, and falls back to points otherwise. Small frames are drawn
// as points. Gathering the cells and choosing points and rectangles is frame_cells.cpp's; this file
// holds the GL state checks, the texture and framebuffer, and the drawing.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "anim/decode.h"
#include "anim/decode_internal.h"
#include "anim/frame_cells.h"
#include "anim/palette.h"
#include "host/host.h"

// Texture targets newer than OpenGL 1.1 headers know; checked so that cube-map backdrops left
// enabled send frames down the point path.
constexpr GLenum TEXTURE_3D = 0x806F;
constexpr GLenum TEXTURE_CUBE_MAP = 0x8513;
// Framebuffer objects and blits (OpenGL 3.0), and the state that could tell a blit from points.
constexpr GLenum READ_FRAMEBUFFER = 0x8CA8;
constexpr GLenum DRAW_FRAMEBUFFER = 0x8CA9;
constexpr GLenum READ_FRAMEBUFFER_BINDING = 0x8CAA;
constexpr GLenum COLOR_ATTACHMENT0 = 0x8CE0;
constexpr GLenum FRAMEBUFFER_COMPLETE = 0x8CD5;
constexpr GLenum ATTACHMENT_OBJECT_TYPE = 0x8CD0;
constexpr GLenum ATTACHMENT_OBJECT_NAME = 0x8CD1;
constexpr GLenum FRAMEBUFFER_SRGB = 0x8DB9;
constexpr GLenum SAMPLE_BUFFERS = 0x80A8;
constexpr GLenum RASTERIZER_DISCARD = 0x8C89;

int anim_gl_path = ANIM_GL_FAST;
long anim_gl_image_frames = 0;
long anim_gl_image_rects = 0;
long anim_gl_image_pixels = 0;
long anim_gl_image_blits = 0;

void anim_plot(int x, int y, int index) {
  anim_color(index);
  glVertex2f(float(x + 0.1), float(y + 0.1));
}

namespace {

void plot_pixel(void*, int x, int y, int index) { anim_plot(x, y, index); }
void plot_block(void*, int x, int y, const unsigned char* index) {
  for (int r = 0; r < 8; r++)
    for (int c = 0; c < 8; c++) anim_plot(x + c, y + r, index[r * 8 + c]);
}

int next_frame_points(AnimFile* anim) {
  if (anim_at_end(anim)) return 0;
  AnimSink sink = {nullptr, plot_pixel, plot_block, nullptr, nullptr};
  glBegin(GL_POINTS);
  int more = anim_decode_frame(anim, &sink);
  glEnd();
  return more;
}

// The frame being gathered, and the rectangles' texture (tex_w x tex_h, the image's rows: see
// blit_rects) with a framebuffer object reading it, for blits.
FrameCells gather;
GLuint texture = 0;
int tex_w = 0, tex_h = 0;
GLuint framebuffer = 0;

bool close_to(double a, double b) { return std::fabs(a - b) <= 1e-6 * (std::fabs(b) + 1e-3); }

// True when drawing the frame as one image gives exactly what points give: the top-left pixel
// projection of the viewport, no per-fragment state that tells points from pixel rectangles
// (textures, lighting, fog, clip planes, point size and smoothing), and no state under which the
// second write of a pixel within a frame could differ from the last write alone (blending, logic
// ops, stencil, alpha test, depth functions that reject equal depths).
bool fast_path_usable(int viewport[4]) {
  static const GLenum off[] = {GL_BLEND,         GL_ALPHA_TEST,     GL_STENCIL_TEST,
                               GL_TEXTURE_1D,    GL_TEXTURE_2D,     TEXTURE_3D,
                               TEXTURE_CUBE_MAP, GL_LIGHTING,       GL_FOG,
                               GL_POINT_SMOOTH,  GL_COLOR_LOGIC_OP, GL_INDEX_LOGIC_OP};
  for (GLenum cap : off)
    if (glIsEnabled(cap)) return false;
  GLint planes = 6;
  glGetIntegerv(GL_MAX_CLIP_PLANES, &planes);
  for (GLint i = 0; i < planes && i < 16; i++)
    if (glIsEnabled(GLenum(GL_CLIP_PLANE0 + i))) return false;
  if (glIsEnabled(GL_DEPTH_TEST)) {
    GLint func = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    if (func != GL_LEQUAL && func != GL_GEQUAL && func != GL_EQUAL && func != GL_ALWAYS &&
        func != GL_NEVER)
      return false;
  }
  GLint mode = 0;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  if (mode != GL_RENDER) return false;
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  if (size != 1.0f) return false;

  glGetIntegerv(GL_VIEWPORT, viewport);
  if (viewport[2] <= 0 || viewport[3] <= 0) return false;
  GLdouble m[16], p[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  for (int i = 0; i < 16; i++)
    if (m[i] != (i % 5 == 0 ? 1.0 : 0.0)) return false;
  const double w = viewport[2], h = viewport[3];
  if (!close_to(p[0], 2 / w) || !close_to(p[5], -2 / h) || !close_to(p[12], -1) ||
      !close_to(p[13], 1) || p[15] != 1)
    return false;
  for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 11})
    if (p[i] != 0) return false;
  return true;
}

// One point of a sparse cell, in its RGBA colour; the batch begins with the first.
void draw_point(void* begun, int x, int y, const uint32_t* colour) {
  if (!*static_cast<bool*>(begun)) glBegin(GL_POINTS);
  *static_cast<bool*>(begun) = true;
  glColor4ubv(reinterpret_cast<const GLubyte*>(colour));
  glVertex2f(float(x + 0.1), float(y + 0.1));
}

// Draws the cells with fewer pixels than a rectangle is worth as points and unmarks them.
void draw_sparse_cells(double rect_ns) {
  bool begun = false;
  frame_cells_take_sparse(gather, rect_ns, draw_point, &begun);
  if (begun) glEnd();
}

#ifndef APIENTRY
#define APIENTRY
#endif

// OpenGL 3.0's framebuffer functions, as far as the blits need them.
struct FramebufferApi {
  void(APIENTRY* gen)(GLsizei, GLuint*);
  void(APIENTRY* remove)(GLsizei, const GLuint*);
  void(APIENTRY* bind)(GLenum, GLuint);
  GLboolean(APIENTRY* is)(GLuint);
  void(APIENTRY* attach_texture)(GLenum, GLenum, GLenum, GLuint, GLint);
  GLenum(APIENTRY* status)(GLenum);
  void(APIENTRY* attachment)(GLenum, GLenum, GLenum, GLint*);
  void(APIENTRY* blit)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);
};

template <typename F>
bool look_up(F*& f, const char* name) {
  f = reinterpret_cast<F*>(host_gl_proc_address(name));
  return f != nullptr;
}

// The functions, or null when the current context is older than OpenGL 3.0 or they cannot be had.
// Looked up once found; the version is asked each time, as contexts may differ.
const FramebufferApi* framebuffer_api() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!version || std::atoi(version) < 3) return nullptr;
  static FramebufferApi api;
  static bool found = false;
  if (!found) {
    FramebufferApi a;
    found = look_up(a.gen, "glGenFramebuffers") && look_up(a.remove, "glDeleteFramebuffers") &&
            look_up(a.bind, "glBindFramebuffer") && look_up(a.is, "glIsFramebuffer") &&
            look_up(a.attach_texture, "glFramebufferTexture2D") &&
            look_up(a.status, "glCheckFramebufferStatus") &&
            look_up(a.attachment, "glGetFramebufferAttachmentParameteriv") &&
            look_up(a.blit, "glBlitFramebuffer");
    if (found) api = a;
  }
  return found ? &api : nullptr;
}

// True when the framebuffer object bound for reading has the rectangles' texture as its colour.
bool reads_texture(const FramebufferApi& fb) {
  GLint type = 0, name = 0;
  fb.attachment(READ_FRAMEBUFFER, COLOR_ATTACHMENT0, ATTACHMENT_OBJECT_TYPE, &type);
  if (type != GL_TEXTURE) return false;
  fb.attachment(READ_FRAMEBUFFER, COLOR_ATTACHMENT0, ATTACHMENT_OBJECT_NAME, &name);
  return GLuint(name) == texture;
}

// Deletes this context's framebuffer object of the texture, before the texture goes: one left
// holding a deleted texture would keep it alive, and its name could come back for the new one.
void drop_framebuffer() {
  const FramebufferApi* fb = framebuffer_api();
  if (!fb || !framebuffer || !fb->is(framebuffer)) return;
  GLint previous = 0;
  glGetIntegerv(READ_FRAMEBUFFER_BINDING, &previous);
  fb->bind(READ_FRAMEBUFFER, framebuffer);
  const bool ours = reads_texture(*fb);
  fb->bind(READ_FRAMEBUFFER, GLuint(previous));
  if (ours) fb->remove(1, &framebuffer);
  framebuffer = 0;
}

// Binds the rectangles' texture, made anew when missing: the first time, after a change of size,
// or in another context, where the name may be free or another texture's (the priority tells ours).
// False when the implementation cannot hold a texture that large.
constexpr GLfloat TEXTURE_TAG = 0.8671875f;
bool bind_texture() {
  int w = 1, h = 1;
  while (w < gather.width) w *= 2;
  while (h < gather.height) h *= 2;
  GLint got_w = 0, got_h = 0;
  GLfloat tag = 0;
  if (texture && glIsTexture(texture)) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &tag);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got_w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &got_h);
    if (tag == TEXTURE_TAG && got_w == w && got_h == h) return true;
    if (tag == TEXTURE_TAG) {  // ours, for another size
      drop_framebuffer();
      glDeleteTextures(1, &texture);
    }
  }
  GLint most = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
  if (w > most || h > most) return false;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, TEXTURE_TAG);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got_w);
  tex_w = w;
  tex_h = h;
  return got_w == w;
}

// The texture path draws polygons, which points ignore: it needs an identity texture matrix (the
// rest of the polygon state is set for the draw).
bool texture_matrix_identity() {
  GLdouble t[16];
  glGetDoublev(GL_TEXTURE_MATRIX, t);
  for (int i = 0; i < 16; i++)
    if (t[i] != (i % 5 == 0 ? 1.0 : 0.0)) return false;
  return true;
}

// True when a blit writes what the rectangles' quads would: colour only (no depth test to pass or
// depth to write), every channel of it, 8 bits each, one sample a pixel, no sRGB conversion.
bool blit_usable() {
  if (glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(FRAMEBUFFER_SRGB) ||
      glIsEnabled(RASTERIZER_DISCARD))
    return false;
  GLboolean mask[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  if (!mask[0] || !mask[1] || !mask[2] || !mask[3]) return false;
  GLint samples = 1, red = 0, green = 0, blue = 0;
  glGetIntegerv(SAMPLE_BUFFERS, &samples);
  glGetIntegerv(GL_RED_BITS, &red);
  glGetIntegerv(GL_GREEN_BITS, &green);
  glGetIntegerv(GL_BLUE_BITS, &blue);
  return samples == 0 && red == 8 && green == 8 && blue == 8;
}

// Copies the rectangles marked solid from the texture to where their quads would go, the
// viewport's top row lowest in the texture; false, having copied nothing, when it cannot. The
// copies turn the rows over: Mesa keeps a window's rows top first, so that there a copy turning a
// framebuffer object's rows over onto the window is a plain copy of memory.
bool blit_rects(const int viewport[4], const std::vector<CellRect>& rects,
                const std::vector<char>& solid_rect) {
  const FramebufferApi* fb = framebuffer_api();
  if (!fb || !blit_usable()) return false;
  GLint previous = 0;
  glGetIntegerv(READ_FRAMEBUFFER_BINDING, &previous);
  bool ready = framebuffer && fb->is(framebuffer);
  if (ready) {
    fb->bind(READ_FRAMEBUFFER, framebuffer);
    ready = reads_texture(*fb);
  }
  if (!ready) {  // none yet, or this name is another context's or another program's
    fb->gen(1, &framebuffer);
    fb->bind(READ_FRAMEBUFFER, framebuffer);
    fb->attach_texture(READ_FRAMEBUFFER, COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  }
  const bool complete = fb->status(READ_FRAMEBUFFER) == FRAMEBUFFER_COMPLETE &&
                        fb->status(DRAW_FRAMEBUFFER) == FRAMEBUFFER_COMPLETE;
  for (size_t i = 0; complete && i < rects.size(); i++) {
    if (!solid_rect[i]) continue;
    const PixelRect r = frame_cells_pixels_of(gather, rects[i]);
    const int x = viewport[0] + r.x0, top = viewport[1] + gather.height - r.y0;
    fb->blit(r.x0, r.y0, r.x0 + r.w, r.y0 + r.h, x, top, x + r.w, top - r.h, GL_COLOR_BUFFER_BIT,
             GL_NEAREST);
    anim_gl_image_blits++;
  }
  fb->bind(READ_FRAMEBUFFER, GLuint(previous));
  return complete;
}

// The pixel state under which the image's rows reach the texture or the screen unchanged: rows
// going down the screen, no colour mapping, scale or bias, the image's own row length.
void set_pixel_state() {
  glPixelZoom(1, -1);
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
  for (GLenum scale : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE})
    glPixelTransferf(scale, 1);
  for (GLenum bias : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS})
    glPixelTransferf(bias, 0);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, gather.width);
}

// Each rectangle into the texture, or (without one) straight to the screen with glDrawPixels.
void upload_rects(const std::vector<CellRect>& rects, bool textured) {
  for (const CellRect& cells : rects) {
    const PixelRect r = frame_cells_pixels_of(gather, cells);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, r.x0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, r.y0);
    if (textured) {
      glTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, r.y0, r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE,
                      gather.image.data());
    } else {
      // From the top-left pixel down, 0.1 inside it as the points are.
      glRasterPos2f(float(r.x0 + 0.1), float(r.y0 + 0.1));
      glDrawPixels(r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE, gather.image.data());
    }
    anim_gl_image_rects++;
    anim_gl_image_pixels += long(r.w) * r.h;
  }
}

// The textured quads, after all uploads: they then go as one batch, where a texture changed
// between draws would make Mesa finish the drawing before each change. The solid rectangles
// without the alpha test (unless blitted already), then the others with it.
void draw_quads(const std::vector<CellRect>& rects, const std::vector<char>& solid_rect,
                bool blitted) {
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  for (GLenum cap : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q,
                     GL_CULL_FACE, GL_POLYGON_OFFSET_FILL, GL_POLYGON_STIPPLE, GL_POLYGON_SMOOTH})
    glDisable(cap);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  // Corners on pixel edges, so every pixel centre samples its own texel's centre.
  const float sx = 1.0f / float(tex_w), sy = 1.0f / float(tex_h);
  for (bool alpha_test : {false, true}) {
    if (!alpha_test && blitted) continue;
    if (!alpha_test) glDisable(GL_ALPHA_TEST);
    else glEnable(GL_ALPHA_TEST);
    glBegin(GL_QUADS);
    for (size_t i = 0; i < rects.size(); i++) {
      if (bool(solid_rect[i]) == alpha_test) continue;
      const PixelRect r = frame_cells_pixels_of(gather, rects[i]);
      const float x0 = float(r.x0), x1 = float(r.x0 + r.w), y0 = float(r.y0),
                  y1 = float(r.y0 + r.h);
      const float t0 = float(r.y0) * sy, t1 = float(r.y0 + r.h) * sy;
      glTexCoord2f(x0 * sx, t0);
      glVertex2f(x0, y0);
      glTexCoord2f(x1 * sx, t0);
      glVertex2f(x1, y0);
      glTexCoord2f(x1 * sx, t1);
      glVertex2f(x1, y1);
      glTexCoord2f(x0 * sx, t1);
      glVertex2f(x0, y1);
    }
    glEnd();
  }
}

void draw_gathered(const int viewport[4]) {
  if (gather.last_row < gather.first_row) return;
  static std::vector<CellRect> rects;
  static std::vector<char> solid_rect;  // wholly of the frame's pixels, each rectangle
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT | GL_CURRENT_BIT | GL_ENABLE_BIT |
               GL_POLYGON_BIT | GL_TEXTURE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  const bool textured = texture_matrix_identity() && bind_texture();
  const double rect_ns = textured ? QUAD_NS : DRAW_PIXELS_NS;
  draw_sparse_cells(rect_ns);
  frame_cells_cover(gather, rect_ns, &rects, &solid_rect);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  set_pixel_state();
  upload_rects(rects, textured);
  const bool blitted = textured && blit_rects(viewport, rects, solid_rect);
  if (textured) draw_quads(rects, solid_rect, blitted);
  frame_cells_finish(gather, rects, solid_rect);
  glPopClientAttrib();
  glPopAttrib();
}

// Decodes the next frame into the gathered pixels, after those of frames gathered before it and
// not yet drawn: several frames gathered so draw as one frame writing their pixels in order.
int gather_frame(AnimFile* anim, const int viewport[4], bool more_gathered) {
  if (!more_gathered) frame_cells_start(gather, viewport[2], viewport[3]);
  AnimSink sink = {&gather, frame_cells_pixel, frame_cells_block, frame_cells_fill, nullptr};
  return anim_decode_frame(anim, &sink);
}

void draw_gathered_frames(const int viewport[4]) {
  FrameCells& g = gather;
  if (!g.imaging) {
    if (!g.small.empty()) {
      glBegin(GL_POINTS);
      for (const Pending& p : g.small) anim_plot(p.x, p.y, p.index);
      glEnd();
    }
    return;
  }
  draw_gathered(viewport);
  anim_gl_image_frames++;
  // Points leave the last pixel's colour current; so does this path.
  if (g.last_index >= 0) anim_color(g.last_index);
}

// Frames gathered by anim_next_frame_deferred and not drawn yet, and the viewport they were
// gathered for.
int deferred = 0;
int deferred_viewport[4];

}  // namespace

int anim_next_frame(AnimFile* anim) {
  anim_draw_deferred();
  int viewport[4];
  if (anim_gl_path == ANIM_GL_FAST && fast_path_usable(viewport)) {
    const int more = gather_frame(anim, viewport, false);
    draw_gathered_frames(viewport);
    return more;
  }
  return next_frame_points(anim);
}

int anim_next_frame_deferred(AnimFile* anim) {
  int viewport[4];
  if (anim_gl_path != ANIM_GL_FAST || !fast_path_usable(viewport)) return anim_next_frame(anim);
  if (deferred && std::memcmp(viewport, deferred_viewport, sizeof viewport) != 0)
    anim_draw_deferred();
  std::memcpy(deferred_viewport, viewport, sizeof viewport);
  const int more = gather_frame(anim, viewport, deferred > 0);
  if (more) deferred++;  // past the end nothing was decoded
  return more;
}

int anim_draw_deferred() {
  const int frames = deferred;
  if (frames) draw_gathered_frames(deferred_viewport);
  deferred = 0;
  return frames;
}

int anim_deferred_frames() { return deferred; }
