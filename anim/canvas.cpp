// Memory canvas sink: stores decoded pixels that fall inside the canvas. Blocks are clipped to the
// canvas and copied row by row.
#include "anim/canvas.h"

#include <cstring>

#include "anim/format.h"

namespace {

void canvas_pixel(void* user, int x, int y, int index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  if (unsigned(x) < unsigned(c->width) && unsigned(y) < unsigned(c->height))
    c->index[size_t(y) * c->width + x] = (unsigned char)index;
}

// The part of the 8x8 block at (x, y) that lies on the canvas: columns x0..x1-1, rows y0..y1-1.
// False when none does (most blocks of a large picture, on a small canvas).
bool clip_block(const AnimCanvas* c, int x, int y, int* x0, int* x1, int* y0, int* y1) {
  *x0 = x < 0 ? 0 : x;
  *y0 = y < 0 ? 0 : y;
  const int side = ANIM_BLOCK_SIDE;
  *x1 = x > c->width - side ? c->width : x + side;
  *y1 = y > c->height - side ? c->height : y + side;
  return *x0 < *x1 && *y0 < *y1;
}

void canvas_block(void* user, int x, int y, const unsigned char* index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  int x0, x1, y0, y1;
  if (!clip_block(c, x, y, &x0, &x1, &y0, &y1)) return;
  for (int r = y0; r < y1; r++)
    std::memcpy(c->index + size_t(r) * c->width + x0, index + (r - y) * ANIM_BLOCK_SIDE + (x0 - x), size_t(x1 - x0));
}

void canvas_fill(void* user, int x, int y, int index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  int x0, x1, y0, y1;
  if (!clip_block(c, x, y, &x0, &x1, &y0, &y1)) return;
  for (int r = y0; r < y1; r++)
    std::memset(c->index + size_t(r) * c->width + x0, index, size_t(x1 - x0));
}

}  // namespace

AnimSink anim_canvas_sink(AnimCanvas* canvas) {
  return AnimSink{canvas, canvas_pixel, canvas_block, canvas_fill, nullptr};
}
