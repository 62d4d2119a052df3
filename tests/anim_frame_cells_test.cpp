// Gathering a frame into cells and choosing points and rectangles, checked on small made-up frames
// without a GL context: which pixels go as points and in what order, which rectangles cover the
// rest for each drawing cost, and what an earlier frame leaves behind.
#include <gtest/gtest.h>

#include <vector>

#include "anim/frame_cells.h"

namespace {

struct Point {
  int x, y;
  uint32_t colour;
};

void collect(void* user, int x, int y, const uint32_t* colour) {
  static_cast<std::vector<Point>*>(user)->push_back({x, y, *colour});
}

std::vector<Point> take_sparse(FrameCells& cells, double rect_ns) {
  std::vector<Point> points;
  frame_cells_take_sparse(cells, rect_ns, collect, &points);
  return points;
}

std::vector<CellRect> cover(FrameCells& cells, double rect_ns, std::vector<char>* solid) {
  std::vector<CellRect> rects;
  frame_cells_cover(cells, rect_ns, &rects, solid);
  return rects;
}

bool same(const CellRect& a, const CellRect& b) {
  return a.x0 == b.x0 && a.x1 == b.x1 && a.y0 == b.y0 && a.y1 == b.y1;
}

TEST(FrameCells, SmallFramesStayAPixelListUntilTheyGrow) {
  static FrameCells cells;
  frame_cells_start(cells, 64, 64);
  for (int i = 0; i < SMALL_FRAME; i++) frame_cells_pixel(&cells, i % 64, i / 64, 3);
  EXPECT_FALSE(cells.imaging);
  EXPECT_EQ(cells.small.size(), size_t(SMALL_FRAME));
  frame_cells_pixel(&cells, 5, 9, 7);
  ASSERT_TRUE(cells.imaging);
  EXPECT_TRUE(cells.small.empty());
  EXPECT_EQ(cells.n_singles, size_t(SMALL_FRAME + 1));
  EXPECT_EQ(frame_cells_at(cells, 5, 9), cells.colour[7]);
  EXPECT_EQ(cells.last_index, 7);
}

// A full cell is worth a rectangle; cells of a pixel or two go as points, in the order written,
// so a pixel written twice ends in its last colour.
TEST(FrameCells, SparseCellsGoAsPointsInWriteOrder) {
  static FrameCells cells;
  frame_cells_start(cells, 320, 240);
  frame_cells_fill(&cells, 0, 0, 1);
  frame_cells_pixel(&cells, 100, 100, 2);
  frame_cells_pixel(&cells, 200, 200, 3);
  frame_cells_pixel(&cells, 100, 100, 4);
  ASSERT_TRUE(cells.imaging);
  std::vector<Point> points = take_sparse(cells, QUAD_NS);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].x, 100);
  EXPECT_EQ(points[0].colour, cells.colour[2]);
  EXPECT_EQ(points[1].x, 200);
  EXPECT_EQ(points[1].colour, cells.colour[3]);
  EXPECT_EQ(points[2].y, 100);
  EXPECT_EQ(points[2].colour, cells.colour[4]);
  EXPECT_EQ(frame_cells_at(cells, 100, 100), 0u);  // taken out of the image
  std::vector<char> solid;
  std::vector<CellRect> rects = cover(cells, QUAD_NS, &solid);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_TRUE(same(rects[0], {0, 0, 0, 0}));
  EXPECT_TRUE(solid[0]);
}

// Two clusters eight cells apart: two rectangles when a rectangle is cheap, one across the gap
// when each costs a glDrawPixels call. A 2x2 cluster of blocks is one solid rectangle.
TEST(FrameCells, CoveringFollowsTheRectangleCost) {
  static FrameCells cells;
  for (double rect_ns : {QUAD_NS, DRAW_PIXELS_NS}) {
    frame_cells_start(cells, 320, 240);
    for (int cx : {0, 1, 10})
      for (int cy : {0, 1}) frame_cells_fill(&cells, cx * 8, cy * 8, 5);
    EXPECT_TRUE(take_sparse(cells, rect_ns).empty());
    std::vector<char> solid;
    std::vector<CellRect> rects = cover(cells, rect_ns, &solid);
    if (rect_ns == QUAD_NS) {
      ASSERT_EQ(rects.size(), 2u);
      EXPECT_TRUE(same(rects[0], {0, 1, 0, 1}));
      EXPECT_TRUE(same(rects[1], {10, 10, 0, 1}));
      EXPECT_TRUE(solid[0] && solid[1]);
    } else {
      ASSERT_EQ(rects.size(), 1u);
      EXPECT_TRUE(same(rects[0], {0, 10, 0, 1}));
      EXPECT_FALSE(solid[0]);  // the gap holds no pixel of the frame
    }
    frame_cells_finish(cells, rects, solid);
  }
}

// A solid rectangle leaves its pixels in the image (drawn without the alpha test, they would
// be overwritten anyway); the next frame writing part of such a cell clears the rest first.
TEST(FrameCells, PartlyRewrittenCellsLoseTheEarlierFrame) {
  static FrameCells cells;
  frame_cells_start(cells, 64, 64);
  for (int cx = 0; cx < 3; cx++) frame_cells_fill(&cells, cx * 8, 0, 6);
  std::vector<char> solid;
  std::vector<CellRect> rects = cover(cells, QUAD_NS, &solid);
  frame_cells_finish(cells, rects, solid);
  ASSERT_EQ(frame_cells_at(cells, 0, 0), cells.colour[6]);

  frame_cells_start(cells, 64, 64);
  frame_cells_fill(&cells, 8, 0, 8);
  frame_cells_pixel(&cells, 1, 1, 9);
  for (int i = 0; i < SMALL_FRAME; i++) frame_cells_pixel(&cells, 40 + i % 8, 40 + i / 8, 9);
  ASSERT_TRUE(cells.imaging);
  EXPECT_EQ(frame_cells_at(cells, 0, 0), 0u);
  EXPECT_EQ(frame_cells_at(cells, 1, 1), cells.colour[9]);
  EXPECT_EQ(frame_cells_at(cells, 8, 0), cells.colour[8]);
  EXPECT_EQ(frame_cells_at(cells, 16, 0), cells.colour[6]);  // untouched: still stale, kept
}

}  // namespace
