// Memory canvas sink: stores decoded pixels that fall inside the canvas. Whole blocks inside the
// canvas are copied row by row; blocks on an edge are clipped pixel by pixel.
#include "anim/canvas.h"

#include <cstring>

namespace {

void canvas_pixel(void* user, int x, int y, int index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  if (unsigned(x) < unsigned(c->width) && unsigned(y) < unsigned(c->height))
    c->index[size_t(y) * c->width + x] = (unsigned char)index;
}

void canvas_block(void* user, int x, int y, const unsigned char* index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  if (x >= 0 && y >= 0 && x <= c->width - 8 && y <= c->height - 8) {
    unsigned char* row = c->index + size_t(y) * c->width + x;
    for (int r = 0; r < 8; r++, row += c->width) std::memcpy(row, index + r * 8, 8);
    return;
  }
  for (int r = 0; r < 8; r++)
    for (int col = 0; col < 8; col++) canvas_pixel(user, x + col, y + r, index[r * 8 + col]);
}

void canvas_fill(void* user, int x, int y, int index) {
  AnimCanvas* c = static_cast<AnimCanvas*>(user);
  if (x >= 0 && y >= 0 && x <= c->width - 8 && y <= c->height - 8) {
    unsigned char* row = c->index + size_t(y) * c->width + x;
    for (int r = 0; r < 8; r++, row += c->width) std::memset(row, index, 8);
    return;
  }
  for (int r = 0; r < 8; r++)
    for (int col = 0; col < 8; col++) canvas_pixel(user, x + col, y + r, index);
}

}  // namespace

AnimSink anim_canvas_sink(AnimCanvas* canvas) {
  return AnimSink{canvas, canvas_pixel, canvas_block, canvas_fill, nullptr};
}
