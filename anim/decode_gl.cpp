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
// as points.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "anim/decode.h"
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

// What drawing costs, in nanoseconds of processor time, as measured by bench/anim_playback_bench
// (its "GL costs" lines; re-measure there after a change of GL driver or machine). Mesa's software
// rasteriser on a 2-core machine: a point costs far more than a pixel of a quad, a quad in the
// batch little more than its setup, a glDrawPixels call much more, as it allocates and fills a
// texture of its own. Only the speed depends on these: every choice they steer draws the same.
constexpr double POINT_NS = 470;         // one point of a GL_POINTS batch
constexpr double QUAD_NS = 1600;         // one rectangle of the texture batch: upload call, quad
constexpr double DRAW_PIXELS_NS = 7500;  // one glDrawPixels call
constexpr double PIXEL_NS = 10;          // each pixel a rectangle covers, either way

// Frames with at most this many pixels are drawn as points: the image, its rectangles and their
// set-up cost more than that.
constexpr int SMALL_FRAME = 64;

struct Pending {
  int x, y, index;
};

// The frame being gathered. The image is the viewport's size, top row first as the file counts
// rows (so is the texture: see blit_rects); alpha 255 marks a pixel of this frame, 0 one to leave
// alone.
struct Gather {
  int width = 0, height = 0;
  std::vector<uint32_t> image;
  uint32_t colour[256];        // RGBA bytes of each palette entry, alpha 255
  std::vector<Pending> small;  // the first pixels, in order, while the frame is small
  std::vector<Pending> small_blocks;  // where whole blocks among them start
  bool imaging = false;        // past SMALL_FRAME: pixels go to the image
  int last_index = -1;
  // Which 8x8 cells of the image hold pixels of this frame: one bit per cell column, `words`
  // 64-bit words per cell row; first_row..last_row bound the rows with any bit set.
  int words = 0, cell_rows = 0;
  std::vector<uint64_t> dirty;
  int first_row, last_row;
  std::vector<unsigned char> count;  // pixels written in each cell, up to 255
  std::vector<uint64_t> solid;       // cells wholly written by one block, laid out as dirty
  // Cells that still hold an earlier frame's pixels, laid out as dirty. Rectangles drawn without
  // the alpha test leave their cells so instead of clearing them, as a frame that changes
  // everywhere overwrites them all; a cell is cleared when it is next written in part or drawn
  // with the alpha test.
  std::vector<uint64_t> stale;
  // The pixels written one by one, in order: the sparse cells are drawn from this list rather than
  // by reading their rows of the image, which the cache rarely holds. The first n_singles are this
  // frame's; n_singles one past the end says more came than the list holds.
  std::vector<Pending> singles;
  size_t n_singles = 0;
  GLuint texture = 0;                // the rectangles' texture, tex_w x tex_h, image rows
  int tex_w = 0, tex_h = 0;
  GLuint framebuffer = 0;            // a framebuffer object reading the texture, for blits
};
Gather gather;

// The word of a cell bitmap (dirty, solid or stale) that holds the cell, and the cell's bit in it.
uint64_t& cell_word(std::vector<uint64_t>& map, int cx, int cy) {
  return map[size_t(cy) * gather.words + (cx >> 6)];
}
uint64_t cell_bit(int cx) { return uint64_t(1) << (cx & 63); }

// The image's pixel (x, y), y counted from the top as the file counts it.
uint32_t& image_at(int x, int y) {
  return gather.image[size_t(y) * gather.width + x];
}

// A cell's pixel count, up to 255.
unsigned char& cell_count(int cx, int cy) {
  return gather.count[size_t(cy) * (gather.words * 64) + cx];
}

bool singles_full() { return gather.n_singles > gather.singles.size(); }

void mark_cell(int cx, int cy, int pixels) {
  Gather& g = gather;
  cell_word(g.dirty, cx, cy) |= cell_bit(cx);
  unsigned char& n = cell_count(cx, cy);
  n = (unsigned char)std::min(255, n + pixels);
  if (cy < g.first_row) g.first_row = cy;
  if (cy > g.last_row) g.last_row = cy;
}

// Notes a block that wholly fills one cell, so that rectangles of such cells skip the alpha test.
void mark_solid(int x, int y) {
  Gather& g = gather;
  if (((x | y) & 7) == 0 && x >= 0 && y >= 0 && x <= g.width - 8 && y <= g.height - 8)
    cell_word(g.solid, x >> 3, y >> 3) |= cell_bit(x >> 3);
}

// True when the cell was stale; it no longer is.
bool take_stale(int cx, int cy) {
  uint64_t& word = cell_word(gather.stale, cx, cy);
  const uint64_t bit = cell_bit(cx);
  if (!(word & bit)) return false;
  word &= ~bit;
  return true;
}

void clear_cell(int cx, int cy) {
  Gather& g = gather;
  const int x0 = cx * 8, w = std::min(8, g.width - x0);
  for (int y = cy * 8; y < std::min(cy * 8 + 8, g.height); y++)
    std::memset(&image_at(x0, y), 0, size_t(w) * 4);
}

void image_pixel(int x, int y, int index) {
  Gather& g = gather;
  if (unsigned(x) >= unsigned(g.width) || unsigned(y) >= unsigned(g.height)) return;
  if (take_stale(x >> 3, y >> 3)) clear_cell(x >> 3, y >> 3);
  image_at(x, y) = g.colour[index];
  mark_cell(x >> 3, y >> 3, 1);
  if (g.n_singles < g.singles.size()) g.singles[g.n_singles] = {x, y, index};
  if (g.n_singles <= g.singles.size()) g.n_singles++;
}

void start_imaging() {
  Gather& g = gather;
  g.imaging = true;
  g.first_row = INT32_MAX;
  g.last_row = -1;
  for (const Pending& p : g.small) image_pixel(p.x, p.y, p.index);
  // A block replayed as pixels still fills its cell: later pixels only change its colours.
  for (const Pending& b : g.small_blocks) mark_solid(b.x, b.y);
  g.small.clear();
  g.small_blocks.clear();
}

void gather_pixel(void*, int x, int y, int index) {
  Gather& g = gather;
  g.last_index = index;
  if (!g.imaging) {
    g.small.push_back({x, y, index});
    if (g.small.size() > size_t(SMALL_FRAME)) start_imaging();
    return;
  }
  image_pixel(x, y, index);
}

void gather_block(void*, int x, int y, const unsigned char* index) {
  Gather& g = gather;
  g.last_index = index[63];
  if (!g.imaging) {
    g.small_blocks.push_back({x, y, 0});
    for (int i = 0; i < 64; i++) g.small.push_back({x + (i & 7), y + (i >> 3), index[i]});
    if (g.small.size() > size_t(SMALL_FRAME)) start_imaging();
    return;
  }
  // Blocks lie on the 8-pixel grid; one that does not, or crosses an edge, goes pixel by pixel.
  if (x < 0 || y < 0 || x > g.width - 8 || y > g.height - 8 || ((x | y) & 7)) {
    for (int i = 0; i < 64; i++) image_pixel(x + (i & 7), y + (i >> 3), index[i]);
    return;
  }
  take_stale(x >> 3, y >> 3);  // wholly overwritten: nothing of the earlier frame is left
  uint32_t* row = &image_at(x, y);
  for (int r = 0; r < 8; r++, row += g.width)
    for (int c = 0; c < 8; c++) row[c] = g.colour[index[r * 8 + c]];
  mark_solid(x, y);
  mark_cell(x >> 3, y >> 3, 64);
}

void gather_fill(void* user, int x, int y, int index) {
  unsigned char block[64];
  std::memset(block, index, 64);
  gather_block(user, x, y, block);
}

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

void set_colour_table() {
  for (int i = 0; i < 256; i++) {
    float r, g, b;
    anim_palette_entry(i, &r, &g, &b);
    // The framebuffer's 8-bit value of a float colour: rounded to nearest.
    uint32_t rb = uint32_t(r * 255.0f + 0.5f), gb = uint32_t(g * 255.0f + 0.5f),
             bb = uint32_t(b * 255.0f + 0.5f);
    unsigned char bytes[4] = {(unsigned char)rb, (unsigned char)gb, (unsigned char)bb, 255};
    std::memcpy(&gather.colour[i], bytes, 4);
  }
}

// Draws the cells with fewer pixels than a rectangle is worth as points and unmarks them. The
// points come from the list of single pixels in the order they were written, so the last write of
// a pixel is drawn last, as on the point path; past the list's capacity, from the image, where
// each pixel holds its last colour.
void draw_sparse_cells(double rect_ns) {
  Gather& g = gather;
  bool begun = false, any = false;
  auto point = [&](int x, int y, uint32_t* colour) {
    if (!begun) glBegin(GL_POINTS);
    begun = true;
    glColor4ubv(reinterpret_cast<const GLubyte*>(colour));
    glVertex2f(float(x + 0.1), float(y + 0.1));
  };
  for (int cy = g.first_row; cy <= g.last_row; cy++)
    for (int w = 0; w < g.words; w++) {
      uint64_t& bits = g.dirty[size_t(cy) * g.words + w];
      for (uint64_t word = bits; word; word &= word - 1) {
        const int cx = w * 64 + __builtin_ctzll(word);
        unsigned char& n = cell_count(cx, cy);
        if (n * POINT_NS >= rect_ns) continue;
        n = 0;
        bits &= ~cell_bit(cx);
        any = true;
        if (!singles_full()) continue;
        for (int y = cy * 8; y < std::min(cy * 8 + 8, g.height); y++)
          for (int x = cx * 8; x < std::min(cx * 8 + 8, g.width); x++) {
            uint32_t& p = image_at(x, y);
            if (p) point(x, y, &p);
            p = 0;
          }
      }
    }
  if (any && !singles_full())
    for (size_t i = 0; i < g.n_singles; i++) {
      const Pending& s = g.singles[i];
      // A cell still marked is drawn by a rectangle.
      if (cell_word(g.dirty, s.x >> 3, s.y >> 3) & cell_bit(s.x >> 3)) continue;
      point(s.x, s.y, &g.colour[s.index]);
      image_at(s.x, s.y) = 0;
    }
  if (begun) glEnd();
}

// Rectangles of cells, inclusive, that together cover every marked cell.
struct CellRect {
  int x0, x1, y0, y1;
};

// Cuts the marked cells into rectangles: each cell row into runs of marked cells, and each run
// stacked onto a rectangle of the row above. Two pieces become one whenever the cells the union
// adds cost less to draw than the rectangle it saves, so sparse change gets a rectangle per
// cluster and dense change a few large ones. Rectangles may overlap; a pixel drawn twice gets the
// same colour and depth both times.
void cover_cells(double rect_ns, std::vector<CellRect>* out) {
  Gather& g = gather;
  const double cell_ns = 64 * PIXEL_NS;
  static std::vector<CellRect> open, next;
  open.clear();
  out->clear();
  for (int cy = g.first_row; cy <= g.last_row + 1; cy++) {
    next.clear();
    const uint64_t* bits = cy <= g.last_row ? &g.dirty[size_t(cy) * g.words] : nullptr;
    int run_start = -1, run_end = -1;
    auto end_run = [&]() {
      if (run_start < 0) return;
      for (CellRect& r : open) {
        if (r.y1 != cy - 1) continue;  // taken
        const int x0 = std::min(r.x0, run_start), x1 = std::max(r.x1, run_end);
        const int added = (x1 - x0 + 1) * (cy - r.y0 + 1) - (r.x1 - r.x0 + 1) * (cy - r.y0) -
                          (run_end - run_start + 1);
        if (added * cell_ns >= rect_ns) continue;
        next.push_back({x0, x1, r.y0, cy});
        r.y1 = -2;
        run_start = -1;
        return;
      }
      next.push_back({run_start, run_end, cy, cy});
      run_start = -1;
    };
    for (int w = 0; bits && w < g.words; w++) {
      uint64_t word = bits[w];
      while (word) {
        int cx = w * 64 + __builtin_ctzll(word);
        word &= word - 1;
        if (run_start >= 0 && (cx - run_end - 1) * cell_ns < rect_ns) {
          run_end = cx;
          continue;
        }
        end_run();
        run_start = run_end = cx;
      }
    }
    end_run();
    for (const CellRect& r : open)
      if (r.y1 != -2) out->push_back(r);
    open.swap(next);
  }
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
  return GLuint(name) == gather.texture;
}

// Deletes this context's framebuffer object of the texture, before the texture goes: one left
// holding a deleted texture would keep it alive, and its name could come back for the new one.
void drop_framebuffer() {
  Gather& g = gather;
  const FramebufferApi* fb = framebuffer_api();
  if (!fb || !g.framebuffer || !fb->is(g.framebuffer)) return;
  GLint previous = 0;
  glGetIntegerv(READ_FRAMEBUFFER_BINDING, &previous);
  fb->bind(READ_FRAMEBUFFER, g.framebuffer);
  const bool ours = reads_texture(*fb);
  fb->bind(READ_FRAMEBUFFER, GLuint(previous));
  if (ours) fb->remove(1, &g.framebuffer);
  g.framebuffer = 0;
}

// Binds the rectangles' texture, made anew when missing: the first time, after a change of size,
// or in another context, where the name may be free or another texture's (the priority tells ours).
// False when the implementation cannot hold a texture that large.
constexpr GLfloat TEXTURE_TAG = 0.8671875f;
bool bind_texture() {
  Gather& g = gather;
  int w = 1, h = 1;
  while (w < g.width) w *= 2;
  while (h < g.height) h *= 2;
  GLint got_w = 0, got_h = 0;
  GLfloat tag = 0;
  if (g.texture && glIsTexture(g.texture)) {
    glBindTexture(GL_TEXTURE_2D, g.texture);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &tag);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got_w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &got_h);
    if (tag == TEXTURE_TAG && got_w == w && got_h == h) return true;
    if (tag == TEXTURE_TAG) {  // ours, for another size
      drop_framebuffer();
      glDeleteTextures(1, &g.texture);
    }
  }
  GLint most = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
  if (w > most || h > most) return false;
  glGenTextures(1, &g.texture);
  glBindTexture(GL_TEXTURE_2D, g.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, TEXTURE_TAG);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got_w);
  g.tex_w = w;
  g.tex_h = h;
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

// True when every pixel of the rectangle is one of the frame's: drawn without the alpha test,
// which lets Mesa's rasteriser skip a step per pixel.
bool opaque(const CellRect& r) {
  Gather& g = gather;
  for (int cy = r.y0; cy <= r.y1; cy++)
    for (int cx = r.x0; cx <= r.x1; cx++)
      if (!(cell_word(g.solid, cx, cy) & cell_bit(cx))) return false;
  return true;
}

// Pixel rectangle of a cell rectangle, clipped to the image.
struct PixelRect {
  int x0, y0, w, h;
};
PixelRect pixels_of(const CellRect& r) {
  const Gather& g = gather;
  const int x0 = r.x0 * 8, y0 = r.y0 * 8;
  return {x0, y0, std::min(r.x1 * 8 + 8, g.width) - x0, std::min(r.y1 * 8 + 8, g.height) - y0};
}

// Copies the rectangles marked solid from the texture to where their quads would go, the
// viewport's top row lowest in the texture; false, having copied nothing, when it cannot. The
// copies turn the rows over: Mesa keeps a window's rows top first, so that there a copy turning a
// framebuffer object's rows over onto the window is a plain copy of memory.
bool blit_rects(const int viewport[4], const std::vector<CellRect>& rects,
                const std::vector<char>& solid_rect) {
  Gather& g = gather;
  const FramebufferApi* fb = framebuffer_api();
  if (!fb || !blit_usable()) return false;
  GLint previous = 0;
  glGetIntegerv(READ_FRAMEBUFFER_BINDING, &previous);
  bool ready = g.framebuffer && fb->is(g.framebuffer);
  if (ready) {
    fb->bind(READ_FRAMEBUFFER, g.framebuffer);
    ready = reads_texture(*fb);
  }
  if (!ready) {  // none yet, or this name is another context's or another program's
    fb->gen(1, &g.framebuffer);
    fb->bind(READ_FRAMEBUFFER, g.framebuffer);
    fb->attach_texture(READ_FRAMEBUFFER, COLOR_ATTACHMENT0, GL_TEXTURE_2D, g.texture, 0);
  }
  const bool complete = fb->status(READ_FRAMEBUFFER) == FRAMEBUFFER_COMPLETE &&
                        fb->status(DRAW_FRAMEBUFFER) == FRAMEBUFFER_COMPLETE;
  for (size_t i = 0; complete && i < rects.size(); i++) {
    if (!solid_rect[i]) continue;
    const PixelRect r = pixels_of(rects[i]);
    const int x = viewport[0] + r.x0, top = viewport[1] + g.height - r.y0;
    fb->blit(r.x0, r.y0, r.x0 + r.w, r.y0 + r.h, x, top, x + r.w, top - r.h, GL_COLOR_BUFFER_BIT,
             GL_NEAREST);
    anim_gl_image_blits++;
  }
  fb->bind(READ_FRAMEBUFFER, GLuint(previous));
  return complete;
}

void draw_gathered(const int viewport[4]) {
  Gather& g = gather;
  if (g.last_row < g.first_row) return;
  static std::vector<CellRect> rects;
  static std::vector<char> solid_rect;  // opaque() of each rectangle
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT | GL_CURRENT_BIT | GL_ENABLE_BIT |
               GL_POLYGON_BIT | GL_TEXTURE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  const bool textured = texture_matrix_identity() && bind_texture();
  const double rect_ns = textured ? QUAD_NS : DRAW_PIXELS_NS;
  draw_sparse_cells(rect_ns);
  cover_cells(rect_ns, &rects);
  solid_rect.clear();
  for (const CellRect& cells : rects) {
    solid_rect.push_back(opaque(cells));
    if (solid_rect.back()) continue;
    // Drawn with the alpha test, where old pixels would show.
    for (int cy = cells.y0; cy <= cells.y1; cy++)
      for (int cx = cells.x0; cx <= cells.x1; cx++)
        if (take_stale(cx, cy)) clear_cell(cx, cy);
  }
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glPixelZoom(1, -1);  // the image's rows go down the screen
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
  for (GLenum scale : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE})
    glPixelTransferf(scale, 1);
  for (GLenum bias : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS})
    glPixelTransferf(bias, 0);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, g.width);
  for (const CellRect& cells : rects) {
    const PixelRect r = pixels_of(cells);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, r.x0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, r.y0);
    if (textured) {
      glTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, r.y0, r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE,
                      g.image.data());
    } else {
      // From the top-left pixel down, 0.1 inside it as the points are.
      glRasterPos2f(float(r.x0 + 0.1), float(r.y0 + 0.1));
      glDrawPixels(r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE, g.image.data());
    }
    anim_gl_image_rects++;
    anim_gl_image_pixels += long(r.w) * r.h;
  }
  const bool blitted = textured && blit_rects(viewport, rects, solid_rect);
  if (textured) {
    // All uploads first: the quads then go as one batch, and a texture changed between draws
    // would make Mesa finish the drawing before each change.
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    for (GLenum cap : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q,
                       GL_CULL_FACE, GL_POLYGON_OFFSET_FILL, GL_POLYGON_STIPPLE, GL_POLYGON_SMOOTH})
      glDisable(cap);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // Corners on pixel edges, so every pixel centre samples its own texel's centre.
    const float sx = 1.0f / float(g.tex_w), sy = 1.0f / float(g.tex_h);
    for (bool alpha_test : {false, true}) {
      if (!alpha_test && blitted) continue;
      if (!alpha_test) glDisable(GL_ALPHA_TEST);
      else glEnable(GL_ALPHA_TEST);
      glBegin(GL_QUADS);
      for (size_t i = 0; i < rects.size(); i++) {
        if (bool(solid_rect[i]) == alpha_test) continue;
        const PixelRect r = pixels_of(rects[i]);
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
  for (size_t i = 0; i < rects.size(); i++) {
    const CellRect& cells = rects[i];
    if (solid_rect[i]) {
      for (int cy = cells.y0; cy <= cells.y1; cy++)
        for (int cx = cells.x0; cx <= cells.x1; cx++)
          cell_word(g.stale, cx, cy) |= cell_bit(cx);
      continue;
    }
    const PixelRect r = pixels_of(cells);
    for (int y = r.y0; y < r.y0 + r.h; y++)
      std::memset(&image_at(r.x0, y), 0, size_t(r.w) * 4);
  }
  glPopClientAttrib();
  glPopAttrib();
  std::fill(g.dirty.begin() + size_t(g.first_row) * g.words,
            g.dirty.begin() + size_t(g.last_row + 1) * g.words, 0);
  std::fill(g.solid.begin() + size_t(g.first_row) * g.words,
            g.solid.begin() + size_t(g.last_row + 1) * g.words, 0);
  std::fill(g.count.begin() + size_t(g.first_row) * g.words * 64,
            g.count.begin() + size_t(g.last_row + 1) * g.words * 64, 0);
}

int next_frame_fast(AnimFile* anim, const int viewport[4]) {
  Gather& g = gather;
  if (g.width != viewport[2] || g.height != viewport[3]) {
    g.width = viewport[2];
    g.height = viewport[3];
    g.image.assign(size_t(g.width) * g.height, 0);
    g.words = (g.width + 8 * 64 - 1) / (8 * 64);
    g.cell_rows = (g.height + 7) / 8;
    g.dirty.assign(size_t(g.words) * g.cell_rows, 0);
    g.count.assign(size_t(g.words) * 64 * g.cell_rows, 0);
    g.solid.assign(g.dirty.size(), 0);
    g.stale.assign(g.dirty.size(), 0);
    set_colour_table();
    // Enough for a few pixels a cell; a frame with more is mostly drawn by rectangles.
    g.singles.assign(size_t(g.cell_rows) * g.words * 64 * 4, Pending{});
  }
  g.n_singles = 0;
  g.small.clear();
  g.small_blocks.clear();
  g.imaging = false;
  g.last_index = -1;
  AnimSink sink = {nullptr, gather_pixel, gather_block, gather_fill, nullptr};
  int more = anim_decode_frame(anim, &sink);
  if (!g.imaging) {
    if (!g.small.empty()) {
      glBegin(GL_POINTS);
      for (const Pending& p : g.small) anim_plot(p.x, p.y, p.index);
      glEnd();
    }
    return more;
  }
  draw_gathered(viewport);
  anim_gl_image_frames++;
  // Points leave the last pixel's colour current; so does this path.
  if (g.last_index >= 0) anim_color(g.last_index);
  return more;
}

}  // namespace

int anim_next_frame(AnimFile* anim) {
  int viewport[4];
  if (anim_gl_path == ANIM_GL_FAST && fast_path_usable(viewport))
    return next_frame_fast(anim, viewport);
  return next_frame_points(anim);
}
