// 2D primitives under OSMesa with the top-left pixel projection: boxes, lines and points on the
// right pixels, circle and arc tessellation (counted in GL feedback mode), the 2D projection switch
// and the units-per-pixel and projection helpers.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "gfx/draw2d.h"
#include "gfx/shell_state.h"
#include "util/gl_context.h"

namespace {

constexpr int SIZE = 256;
constexpr uint32_t WHITE = 0xFFFFFF, BLACK = 0;

// What one draw call sends down the pipeline, as GL feedback reports it (window coordinates,
// y from the bottom).
struct Feedback {
  int polygons = 0, lines = 0, points = 0;
  std::vector<std::vector<float>> polygon_vertices;  // x, y pairs
};

Feedback feedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  int n = glRenderMode(GL_RENDER);
  Feedback f;
  for (int i = 0; i < n;) {
    int token = int(buffer[size_t(i++)]);
    if (token == GL_POLYGON_TOKEN) {
      int count = int(buffer[size_t(i++)]);
      f.polygons++;
      f.polygon_vertices.emplace_back(buffer.begin() + i, buffer.begin() + i + 2 * count);
      i += 2 * count;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      f.lines++;
      i += 4;
    } else if (token == GL_POINT_TOKEN) {
      f.points++;
      i += 2;
    } else {
      i += 1;  // pass-through and anything else carry one value
    }
  }
  return f;
}

class Draw2dTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = SIZE;
    screen_h = SIZE;
  }
  // Mesa crashes when a context is destroyed with drawing still queued.
  void TearDown() override { glFinish(); }
  vt_test::GlContext gl{SIZE, SIZE};
};

TEST_F(Draw2dTest, BoxCoversItsPixelsAndNoMore) {
  fillbox(10, 20, 5, 4, 0xFF0000);
  for (auto [x, y] : {std::pair{10, 20}, {14, 20}, {10, 23}, {14, 23}}) EXPECT_EQ(gl.pixel(x, y), 0xFF0000u);
  for (auto [x, y] : {std::pair{15, 20}, {10, 24}, {9, 20}, {10, 19}}) EXPECT_EQ(gl.pixel(x, y), BLACK);
}

TEST_F(Draw2dTest, NegativeSizesDrawOnTheOtherSide) {
  fillbox(20, 20, -5, -4, 0x00FF00);
  EXPECT_EQ(gl.pixel(15, 16), 0x00FF00u);
  EXPECT_EQ(gl.pixel(19, 19), 0x00FF00u);
  EXPECT_EQ(gl.pixel(20, 20), BLACK);
  EXPECT_EQ(gl.pixel(14, 16), BLACK);
  EXPECT_EQ(gl.pixel(15, 15), BLACK);
}

TEST_F(Draw2dTest, TopByteOfTheColourIsIgnoredAndTheColourStays) {
  fillbox(0, 0, 2, 2, 0xAB0000FFu);
  EXPECT_EQ(gl.pixel(1, 1), 0x0000FFu);
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_FLOAT_EQ(c[0], 0.0f);
  EXPECT_FLOAT_EQ(c[2], 1.0f);
}

TEST_F(Draw2dTest, OutlinesPassThroughTheirCorners) {
  drawbox(10.5, 10.5, 10, 10, WHITE);
  drawrect(30.5, 10.5, 40.5, 20.5, WHITE);
  for (int x0 : {10, 30})
    for (auto [dx, dy] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 0}, {0, 5}})
      EXPECT_EQ(gl.pixel(x0 + dx, 10 + dy), WHITE) << x0 + dx << "," << 10 + dy;
  EXPECT_EQ(gl.pixel(15, 15), BLACK);
  EXPECT_EQ(gl.pixel(35, 15), BLACK);
}

TEST_F(Draw2dTest, PointsLinesAndSharedBatches) {
  drawpoint(5.5, 5.5, WHITE);
  drawline(0.5, 30.5, 10.5, 30.5, 0x808080);
  glBegin(GL_POINTS);
  drawpoint_v(50.5, 50.5, 0xFF0000);
  drawpoint_v(52.5, 50.5, 0x00FF00);
  glEnd();
  glBegin(GL_QUADS);
  fillbox_v(60, 60, 2, 2, 0x0000FF);
  fillbox_v(70, 60, 2, 2, 0xFFFF00);
  glEnd();
  glBegin(GL_LINES);
  drawline_v(80.5, 80.5, 90.5, 80.5, 0x00FFFF);
  glEnd();
  EXPECT_EQ(gl.pixel(5, 5), WHITE);
  EXPECT_EQ(gl.pixel(3, 30), 0x808080u);
  EXPECT_EQ(gl.pixel(50, 50), 0xFF0000u);
  EXPECT_EQ(gl.pixel(52, 50), 0x00FF00u);
  EXPECT_EQ(gl.pixel(61, 61), 0x0000FFu);
  EXPECT_EQ(gl.pixel(71, 61), 0xFFFF00u);
  EXPECT_EQ(gl.pixel(85, 80), 0x00FFFFu);
}

TEST_F(Draw2dTest, DrawlineRestoresLighting) {
  glEnable(GL_LIGHTING);
  drawline(0.5, 10.5, 20.5, 10.5, 0x00FF00);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  glDisable(GL_LIGHTING);
  EXPECT_EQ(gl.pixel(10, 10), 0x00FF00u);  // drawn unlit, in its own colour
  drawline(0.5, 12.5, 20.5, 12.5, 0x00FF00);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Draw2dTest, CircleSegmentsFollowTheSizeOnScreen) {
  EXPECT_EQ(circle_segments(100), 50);
  EXPECT_EQ(circle_segments(1), 5);
  EXPECT_EQ(circle_segments(1000), 158);
  EXPECT_EQ(circle_segments(0.01), 1);
  EXPECT_EQ(circle_segments(-4), 1);  // the square root is not a number
  EXPECT_EQ(circle_segments(1e300), 1000000);
  glScaled(4, 4, 1);  // the same radius is now four times as large on screen
  EXPECT_EQ(circle_segments(25), 50);
  glLoadIdentity();

  Feedback fan = feedback([] { fillcircle(128, 128, 100, WHITE); });
  EXPECT_EQ(fan.polygons, 50);
  ASSERT_FALSE(fan.polygon_vertices.empty());
  // The fan starts at the centre and its first rim point lies at (x, y + r): 100 pixels lower.
  EXPECT_NEAR(fan.polygon_vertices[0][0], 128, 1e-3);
  EXPECT_NEAR(fan.polygon_vertices[0][1], SIZE - 128, 1e-3);
  EXPECT_NEAR(fan.polygon_vertices[0][2], 128, 1e-3);
  EXPECT_NEAR(fan.polygon_vertices[0][3], SIZE - 228, 1e-3);
  Feedback loop = feedback([] { drawcircle(128, 128, 100, WHITE); });
  EXPECT_GE(loop.lines, 50);
  EXPECT_LE(loop.lines, 51);

  fillcircle(128, 128, 100, WHITE);
  EXPECT_EQ(gl.pixel(128, 128), WHITE);
  EXPECT_EQ(gl.pixel(128, 225), WHITE);
  EXPECT_EQ(gl.pixel(128, 231), BLACK);
  EXPECT_EQ(gl.pixel(200, 200), BLACK);  // outside the rim, inside the square
}

TEST_F(Draw2dTest, QuarterArcFromTopToRight) {
  Feedback f = feedback([] { fillarc(64, 64, 0, 40, 0, M_PI / 2, WHITE, 255); });
  EXPECT_EQ(f.polygons, 7);  // trunc(5 x 0.25 x sqrt(40))
  fillarc(64, 64, 0, 40, 0, M_PI / 2, WHITE, 0x1FF);
  EXPECT_EQ(gl.pixel(74, 44), WHITE);  // up and right of the centre
  EXPECT_EQ(gl.pixel(66, 30), WHITE);
  EXPECT_EQ(gl.pixel(54, 44), BLACK);  // up and left
  EXPECT_EQ(gl.pixel(74, 84), BLACK);  // down and right
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_FLOAT_EQ(c[3], 1.0f);  // only the low 8 bits of the alpha
  fillarc(0, 0, 0, 1, 0, 0, WHITE, 0x80);
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_NEAR(c[3], 128 / 255.0, 1e-6);
}

TEST_F(Draw2dTest, RingSectorsAndDegenerateRings) {
  fillarc(128, 128, 20, 30, 0, 2 * M_PI, 0xFF00FF, 255);
  EXPECT_EQ(gl.pixel(128, 103), 0xFF00FFu);  // radius 25 above the centre
  EXPECT_EQ(gl.pixel(153, 128), 0xFF00FFu);
  EXPECT_EQ(gl.pixel(128, 128), BLACK);
  EXPECT_EQ(gl.pixel(128, 90), BLACK);
  glClear(GL_COLOR_BUFFER_BIT);
  fillarc(128, 128, 30, 30, 0, 2 * M_PI, WHITE, 255);
  for (uint32_t p : gl.pixels()) ASSERT_EQ(p, BLACK);
  // Reversed and empty sweeps still make one segment.
  Feedback back = feedback([] { fillarc(128, 128, 0, 100, 1.0, 0.0, WHITE, 255); });
  EXPECT_EQ(back.polygons, 1);
}

TEST_F(Draw2dTest, Begin2dMapsWindowPixelsAndEnd2dRestores) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glTranslated(0.25, 0.5, 0);
  GLdouble p0[16], m0[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p0);
  glGetDoublev(GL_MODELVIEW_MATRIX, m0);
  glDisable(GL_DEPTH_TEST);

  begin2d();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_DOUBLE_EQ(units_per_pixel(), 1.0);
  fillbox(0, 0, 1, 1, WHITE);
  end2d();

  EXPECT_EQ(gl.pixel(0, 0), WHITE);
  EXPECT_EQ(gl.pixel(1, 1), BLACK);
  GLdouble p1[16], m1[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p1);
  glGetDoublev(GL_MODELVIEW_MATRIX, m1);
  for (int i = 0; i < 16; i++) {
    EXPECT_EQ(p1[i], p0[i]);
    EXPECT_EQ(m1[i], m0[i]);
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(Draw2dTest, Begin2dIgnoresTheViewportOffset) {
  glViewport(20, 10, SIZE - 20, SIZE - 10);
  begin2d();
  fillbox(25, 5, 1, 1, WHITE);
  EXPECT_NEAR(units_per_pixel(), 1.0, 1e-6);
  end2d();
  EXPECT_EQ(gl.pixel(25, 5), WHITE);
}

TEST_F(Draw2dTest, UnitsPerPixelAndProjection) {
  EXPECT_DOUBLE_EQ(units_per_pixel(), 1.0);
  EXPECT_DOUBLE_EQ(units_per_pixel_x(), 1.0);
  double x = -1, y = -1;
  gfx_project(0, 0, 0, &x, &y);
  EXPECT_NEAR(x, 0.0, 1e-9);
  EXPECT_NEAR(y, 0.0, 1e-9);
  gfx_project(10, 20, 0, &x, &y);
  EXPECT_NEAR(x, 10.0, 1e-9);
  EXPECT_NEAR(y, 20.0, 1e-9);
  glTranslated(5, 7, 0);
  glScaled(2, 2, 1);
  EXPECT_DOUBLE_EQ(units_per_pixel(), 0.5);
  EXPECT_DOUBLE_EQ(units_per_pixel_x(), 1.0);  // the projection alone
  gfx_project(10, 20, 0, &x, &y);
  EXPECT_NEAR(x, 25.0, 1e-9);
  EXPECT_NEAR(y, 47.0, 1e-9);
}

TEST_F(Draw2dTest, SmoothingState) {
  gfx_smooth();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));
  GLint src, dst, line_hint, point_hint;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  glGetIntegerv(GL_LINE_SMOOTH_HINT, &line_hint);
  glGetIntegerv(GL_POINT_SMOOTH_HINT, &point_hint);
  EXPECT_EQ(src, GL_SRC_ALPHA_SATURATE);
  EXPECT_EQ(dst, GL_ONE);
  EXPECT_EQ(line_hint, GL_NICEST);
  EXPECT_EQ(point_hint, GL_NICEST);
}

}  // namespace
