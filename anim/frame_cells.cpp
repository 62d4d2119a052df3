// Gathering a frame's pixels into cells and choosing how to draw them, without OpenGL: the image,
// the cell marks and counts, the single-pixel list, the points for sparse cells and the rectangles
// for the rest. decode_gl.cpp feeds the decoder's pixels in here and draws what comes out.
#include "anim/frame_cells.h"

#include <algorithm>
#include <cstring>

#include "anim/palette.h"

namespace {

// The word of a cell bitmap (dirty, solid or stale) that holds the cell, and the cell's bit in it.
uint64_t& cell_word(FrameCells& g, std::vector<uint64_t>& map, int cx, int cy) {
  return map[size_t(cy) * g.words + (cx >> 6)];
}
uint64_t cell_bit(int cx) { return uint64_t(1) << (cx & 63); }

// A cell's pixel count, up to 255.
unsigned char& cell_count(FrameCells& g, int cx, int cy) {
  return g.count[size_t(cy) * (g.words * 64) + cx];
}

bool singles_full(const FrameCells& g) { return g.n_singles > g.singles.size(); }

void mark_cell(FrameCells& g, int cx, int cy, int pixels) {
  cell_word(g, g.dirty, cx, cy) |= cell_bit(cx);
  unsigned char& n = cell_count(g, cx, cy);
  n = (unsigned char)std::min(255, n + pixels);
  if (cy < g.first_row) g.first_row = cy;
  if (cy > g.last_row) g.last_row = cy;
}

// Notes a block that wholly fills one cell, so that rectangles of such cells skip the alpha test.
void mark_solid(FrameCells& g, int x, int y) {
  if (((x | y) & 7) == 0 && x >= 0 && y >= 0 && x <= g.width - 8 && y <= g.height - 8)
    cell_word(g, g.solid, x >> 3, y >> 3) |= cell_bit(x >> 3);
}

// True when the cell was stale; it no longer is.
bool take_stale(FrameCells& g, int cx, int cy) {
  uint64_t& word = cell_word(g, g.stale, cx, cy);
  const uint64_t bit = cell_bit(cx);
  if (!(word & bit)) return false;
  word &= ~bit;
  return true;
}

void clear_cell(FrameCells& g, int cx, int cy) {
  const int x0 = cx * 8, w = std::min(8, g.width - x0);
  for (int y = cy * 8; y < std::min(cy * 8 + 8, g.height); y++)
    std::memset(&frame_cells_at(g, x0, y), 0, size_t(w) * 4);
}

void image_pixel(FrameCells& g, int x, int y, int index) {
  if (unsigned(x) >= unsigned(g.width) || unsigned(y) >= unsigned(g.height)) return;
  if (take_stale(g, x >> 3, y >> 3)) clear_cell(g, x >> 3, y >> 3);
  frame_cells_at(g, x, y) = g.colour[index];
  mark_cell(g, x >> 3, y >> 3, 1);
  if (g.n_singles < g.singles.size()) g.singles[g.n_singles] = {x, y, index};
  if (g.n_singles <= g.singles.size()) g.n_singles++;
}

void start_imaging(FrameCells& g) {
  g.imaging = true;
  g.first_row = INT32_MAX;
  g.last_row = -1;
  for (const Pending& p : g.small) image_pixel(g, p.x, p.y, p.index);
  // A block replayed as pixels still fills its cell: later pixels only change its colours.
  for (const Pending& b : g.small_blocks) mark_solid(g, b.x, b.y);
  g.small.clear();
  g.small_blocks.clear();
}

void set_colour_table(FrameCells& g) {
  for (int i = 0; i < 256; i++) {
    float r, gr, b;
    anim_palette_entry(i, &r, &gr, &b);
    // The framebuffer's 8-bit value of a float colour: rounded to nearest.
    uint32_t rb = uint32_t(r * 255.0f + 0.5f), gb = uint32_t(gr * 255.0f + 0.5f),
             bb = uint32_t(b * 255.0f + 0.5f);
    unsigned char bytes[4] = {(unsigned char)rb, (unsigned char)gb, (unsigned char)bb, 255};
    std::memcpy(&g.colour[i], bytes, 4);
  }
}

// Clears the rows first_row..last_row of a map laid out `per_row` entries a cell row.
template <typename T>
void clear_rows(const FrameCells& g, std::vector<T>& map, size_t per_row) {
  std::fill(map.begin() + size_t(g.first_row) * per_row,
            map.begin() + size_t(g.last_row + 1) * per_row, 0);
}

}  // namespace

void frame_cells_start(FrameCells& g, int width, int height) {
  if (g.width != width || g.height != height) {
    g.width = width;
    g.height = height;
    g.image.assign(size_t(g.width) * g.height, 0);
    g.words = (g.width + 8 * 64 - 1) / (8 * 64);
    g.cell_rows = (g.height + 7) / 8;
    g.dirty.assign(size_t(g.words) * g.cell_rows, 0);
    g.count.assign(size_t(g.words) * 64 * g.cell_rows, 0);
    g.solid.assign(g.dirty.size(), 0);
    g.stale.assign(g.dirty.size(), 0);
    set_colour_table(g);
    // Enough for a few pixels a cell; a frame with more is mostly drawn by rectangles.
    g.singles.assign(size_t(g.cell_rows) * g.words * 64 * 4, Pending{});
  }
  g.n_singles = 0;
  g.small.clear();
  g.small_blocks.clear();
  g.imaging = false;
  g.last_index = -1;
}

void frame_cells_pixel(void* user, int x, int y, int index) {
  FrameCells& g = *static_cast<FrameCells*>(user);
  g.last_index = index;
  if (!g.imaging) {
    g.small.push_back({x, y, index});
    if (g.small.size() > size_t(SMALL_FRAME)) start_imaging(g);
    return;
  }
  image_pixel(g, x, y, index);
}

void frame_cells_block(void* user, int x, int y, const unsigned char* index) {
  FrameCells& g = *static_cast<FrameCells*>(user);
  g.last_index = index[63];
  if (!g.imaging) {
    g.small_blocks.push_back({x, y, 0});
    for (int i = 0; i < 64; i++) g.small.push_back({x + (i & 7), y + (i >> 3), index[i]});
    if (g.small.size() > size_t(SMALL_FRAME)) start_imaging(g);
    return;
  }
  // Blocks lie on the 8-pixel grid; one that does not, or crosses an edge, goes pixel by pixel.
  if (x < 0 || y < 0 || x > g.width - 8 || y > g.height - 8 || ((x | y) & 7)) {
    for (int i = 0; i < 64; i++) image_pixel(g, x + (i & 7), y + (i >> 3), index[i]);
    return;
  }
  take_stale(g, x >> 3, y >> 3);  // wholly overwritten: nothing of the earlier frame is left
  uint32_t* row = &frame_cells_at(g, x, y);
  for (int r = 0; r < 8; r++, row += g.width)
    for (int c = 0; c < 8; c++) row[c] = g.colour[index[r * 8 + c]];
  mark_solid(g, x, y);
  mark_cell(g, x >> 3, y >> 3, 64);
}

void frame_cells_fill(void* user, int x, int y, int index) {
  unsigned char block[64];
  std::memset(block, index, 64);
  frame_cells_block(user, x, y, block);
}

void frame_cells_take_sparse(FrameCells& g, double rect_ns,
                             void (*point)(void* user, int x, int y, const uint32_t* colour),
                             void* user) {
  bool any = false;
  for (int cy = g.first_row; cy <= g.last_row; cy++)
    for (int w = 0; w < g.words; w++) {
      uint64_t& bits = g.dirty[size_t(cy) * g.words + w];
      for (uint64_t word = bits; word; word &= word - 1) {
        const int cx = w * 64 + __builtin_ctzll(word);
        unsigned char& n = cell_count(g, cx, cy);
        if (n * POINT_NS >= rect_ns) continue;
        n = 0;
        bits &= ~cell_bit(cx);
        any = true;
        if (!singles_full(g)) continue;
        for (int y = cy * 8; y < std::min(cy * 8 + 8, g.height); y++)
          for (int x = cx * 8; x < std::min(cx * 8 + 8, g.width); x++) {
            uint32_t& p = frame_cells_at(g, x, y);
            if (p) point(user, x, y, &p);
            p = 0;
          }
      }
    }
  if (any && !singles_full(g))
    for (size_t i = 0; i < g.n_singles; i++) {
      const Pending& s = g.singles[i];
      // A cell still marked is drawn by a rectangle.
      if (cell_word(g, g.dirty, s.x >> 3, s.y >> 3) & cell_bit(s.x >> 3)) continue;
      point(user, s.x, s.y, &g.colour[s.index]);
      frame_cells_at(g, s.x, s.y) = 0;
    }
}

void frame_cells_cover(FrameCells& g, double rect_ns, std::vector<CellRect>* out,
                       std::vector<char>* solid) {
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

  // Every pixel of a rectangle wholly of solid cells is one of the frame's: drawn without the
  // alpha test, which lets Mesa's rasteriser skip a step per pixel.
  solid->clear();
  for (const CellRect& r : *out) {
    bool opaque = true;
    for (int cy = r.y0; opaque && cy <= r.y1; cy++)
      for (int cx = r.x0; opaque && cx <= r.x1; cx++)
        opaque = (cell_word(g, g.solid, cx, cy) & cell_bit(cx)) != 0;
    solid->push_back(opaque);
    if (opaque) continue;
    // Drawn with the alpha test, where old pixels would show.
    for (int cy = r.y0; cy <= r.y1; cy++)
      for (int cx = r.x0; cx <= r.x1; cx++)
        if (take_stale(g, cx, cy)) clear_cell(g, cx, cy);
  }
}

PixelRect frame_cells_pixels_of(const FrameCells& g, const CellRect& r) {
  const int x0 = r.x0 * 8, y0 = r.y0 * 8;
  return {x0, y0, std::min(r.x1 * 8 + 8, g.width) - x0, std::min(r.y1 * 8 + 8, g.height) - y0};
}

void frame_cells_finish(FrameCells& g, const std::vector<CellRect>& rects,
                        const std::vector<char>& solid) {
  for (size_t i = 0; i < rects.size(); i++) {
    const CellRect& cells = rects[i];
    if (solid[i]) {
      for (int cy = cells.y0; cy <= cells.y1; cy++)
        for (int cx = cells.x0; cx <= cells.x1; cx++)
          cell_word(g, g.stale, cx, cy) |= cell_bit(cx);
      continue;
    }
    const PixelRect r = frame_cells_pixels_of(g, cells);
    for (int y = r.y0; y < r.y0 + r.h; y++)
      std::memset(&frame_cells_at(g, r.x0, y), 0, size_t(r.w) * 4);
  }
  clear_rows(g, g.dirty, size_t(g.words));
  clear_rows(g, g.solid, size_t(g.words));
  clear_rows(g, g.count, size_t(g.words) * 64);
}
