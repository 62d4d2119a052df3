// The GL-free half of drawing a frame as one image: the frame's pixels gathered into an RGBA image
// with a note of which 8x8 cells they fall in, the pixels written one by one kept in order, and the
// choice, by what each way of drawing costs, of which cells go as points and which rectangles cover
// the rest. decode_gl.cpp draws what this chooses; the tests check the choices without a context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What drawing costs, in nanoseconds of processor time, as measured by bench/anim_gl_costs_bench
// (re-measure there after a change of GL driver or machine). Mesa's software rasteriser on a
// 2-core machine: a point costs far more than a pixel of a quad, a quad in the batch little more
// than its setup, a glDrawPixels call much more, as it allocates and fills a texture of its own.
// Only the speed depends on these: every choice they steer draws the same.
constexpr double POINT_NS = 470;         // one point of a GL_POINTS batch
constexpr double QUAD_NS = 1600;         // one rectangle of the texture batch: upload call, quad
constexpr double DRAW_PIXELS_NS = 7500;  // one glDrawPixels call
constexpr double PIXEL_NS = 10;          // each pixel a rectangle covers, either way

// Frames with at most this many pixels are drawn as points: the image, its rectangles and their
// set-up cost more than that.
constexpr int SMALL_FRAME = 64;

// A pixel kept for later: where, and its palette index.
struct Pending {
  int x, y, index;
};

// The frame being gathered. The image is the viewport's size, top row first as the file counts
// rows; alpha 255 marks a pixel of this frame, 0 one to leave alone.
struct FrameCells {
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
};

// Rectangles of cells, inclusive, that together cover every marked cell.
struct CellRect {
  int x0, x1, y0, y1;
};

// Pixel rectangle of a cell rectangle, clipped to the image.
struct PixelRect {
  int x0, y0, w, h;
};

// Sizes the record for a width x height viewport (everything cleared) when its size differs, with
// the palette's colours; then starts a frame. The sink callbacks below take the record as `user`.
void frame_cells_start(FrameCells& cells, int width, int height);
void frame_cells_pixel(void* cells, int x, int y, int index);
void frame_cells_block(void* cells, int x, int y, const unsigned char* index);
void frame_cells_fill(void* cells, int x, int y, int index);

// The image's pixel (x, y), y counted from the top as the file counts it.
inline uint32_t& frame_cells_at(FrameCells& cells, int x, int y) {
  return cells.image[size_t(y) * cells.width + x];
}

// Takes the cells with fewer pixels than a rectangle costing rect_ns is worth off the marked ones,
// and hands their pixels to point in the order they were written, so the last write of a pixel
// comes last; past the single-pixel list's capacity, from the image, where each pixel holds its
// last colour. colour points at the pixel's RGBA bytes. Their pixels leave the image.
void frame_cells_take_sparse(FrameCells& cells, double rect_ns,
                             void (*point)(void* user, int x, int y, const uint32_t* colour),
                             void* user);

// Cuts the marked cells into rectangles: each cell row into runs of marked cells, and each run
// stacked onto a rectangle of the row above. Two pieces become one whenever the cells the union
// adds cost less to draw than the rectangle it saves, so sparse change gets a rectangle per
// cluster and dense change a few large ones. Rectangles may overlap; a pixel drawn twice gets the
// same colour and depth both times. solid[i] says rects[i] is wholly of the frame's pixels (no
// alpha test needed); the others have their stale cells cleared, so old pixels do not show.
void frame_cells_cover(FrameCells& cells, double rect_ns, std::vector<CellRect>* rects,
                       std::vector<char>* solid);

PixelRect frame_cells_pixels_of(const FrameCells& cells, const CellRect& r);

// After the rectangles are drawn: solid ones leave their cells stale, the others are cleared from
// the image, and the cell marks are reset for the next frame.
void frame_cells_finish(FrameCells& cells, const std::vector<CellRect>& rects,
                        const std::vector<char>& solid);
