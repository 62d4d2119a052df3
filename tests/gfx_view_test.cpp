// View set-up and presentation on an OSMesa context: the pixel projection's corners, the resize
// clamp, the clear-colour cache of gfx_present, the perspective fit, the scissored clear and the
// extension switches.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/shell_state.h"
#include "gfx/view.h"
#include "util/gl_context.h"

namespace {

void plot(float x, float y, float r, float g, float b) {
  glColor3f(r, g, b);
  glBegin(GL_POINTS);
  glVertex2f(x, y);
  glEnd();
}

}  // namespace

TEST(View, PixelProjectionCornersAndResizeClamp) {
  vt_test::GlContext gl(40, 30);
  ASSERT_TRUE(gl.ok());
  gfx_gl_init(40, 30);
  EXPECT_EQ(screen_w, 40);
  EXPECT_EQ(screen_h, 30);
  plot(0.5f, 0.5f, 1, 0, 0);
  plot(39.5f, 29.5f, 0, 1, 0);
  // The ortho box reaches z = -(h/2) .. h/2: a point at z = -14 is still drawn.
  glBegin(GL_POINTS);
  glColor3f(0, 0, 1);
  glVertex3f(10.5f, 10.5f, -14.0f);
  glEnd();
  EXPECT_EQ(gl.pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(gl.pixel(39, 29), 0x00FF00u);
  EXPECT_EQ(gl.pixel(10, 10), 0x0000FFu);

  gfx_resize(40, 0);
  EXPECT_EQ(screen_h, 1);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[3], 1);
  gfx_resize(0, 0);
  EXPECT_EQ(screen_w, 0);
  EXPECT_EQ(screen_h, 1);
}

TEST(View, PresentSetsTheClearColourOnlyWhenItChanges) {
  vt_test::GlContext gl(8, 8);
  ASSERT_TRUE(gl.ok());
  gfx_gl_init(8, 8);
  last_clear_colour = 0x01000000u;  // as at start-up
  glClearColor(1, 1, 1, 0);
  gfx_present(0x000000);  // the first call sets it, even for black
  EXPECT_EQ(gl.pixel(3, 3), 0x000000u);
  EXPECT_EQ(last_clear_colour, 0u);

  gfx_present_twice(0x336699);
  EXPECT_EQ(gl.pixel(0, 0), 0x336699u);
  glClearColor(1, 1, 1, 0);  // a cached colour is not set again
  gfx_present(0x336699);
  EXPECT_EQ(gl.pixel(0, 0), 0xFFFFFFu);
}

TEST(View, DrawFrontSelectsTheFrontBuffer) {
  vt_test::GlContext gl(8, 8);
  ASSERT_TRUE(gl.ok());
  gfx_gl_init(8, 8);
  glTranslatef(3, 3, 0);
  gfx_draw_front();
  GLint buffer = 0;
  glGetIntegerv(GL_DRAW_BUFFER, &buffer);
  EXPECT_EQ(buffer, GL_FRONT);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 0.0f);  // identity loaded
}

TEST(View, ClearRectClearsOnlyTheScissorBox) {
  vt_test::GlContext gl(10, 10);
  ASSERT_TRUE(gl.ok());
  gfx_gl_init(10, 10);
  glClearColor(1, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 1, 0);
  gfx_clear_rect(0, 0, 5, 2);  // bottom-left origin: the two bottom rows, left half
  EXPECT_EQ(gl.pixel(0, 9), 0x0000FFu);
  EXPECT_EQ(gl.pixel(4, 8), 0x0000FFu);
  EXPECT_EQ(gl.pixel(5, 9), 0xFF0000u);
  EXPECT_EQ(gl.pixel(0, 7), 0xFF0000u);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST(View, PerspectiveFitKeepsTheVerticalExtentOfFourByThree) {
  vt_test::GlContext gl(16, 16);
  ASSERT_TRUE(gl.ok());
  auto matrix_for = [](int w, int h, bool fit, GLfloat m[16]) {
    screen_w = w;
    screen_h = h;
    if (fit) gfx_perspective_fit(90.0f, 0.1f, 1000.0f);
    else gfx_perspective(90.0f, 0.1f, 1000.0f);
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    glMatrixMode(GL_MODELVIEW);
  };
  GLfloat m[16];
  matrix_for(640, 480, true, m);
  EXPECT_NEAR(1 / m[5], 0.75, 1e-6);
  EXPECT_NEAR(1 / m[0], 1.0, 1e-6);
  EXPECT_EQ(m[11], -1.0f);
  EXPECT_NEAR(m[10], -1000.1 / 999.9, 1e-5);
  EXPECT_NEAR(m[14], -200.0 / 999.9, 1e-5);
  matrix_for(1600, 900, true, m);
  EXPECT_NEAR(1 / m[5], 0.75, 1e-6);       // same vertical extent
  EXPECT_NEAR(1 / m[0], 4.0 / 3.0, 1e-6);  // wider sideways
  matrix_for(1600, 900, false, m);
  EXPECT_NEAR(1 / m[5], 0.5625, 1e-6);     // plain: horizontal angle fixed
  matrix_for(500, 500, true, m);
  EXPECT_NEAR(1 / m[5], 1.0, 1e-6);
  EXPECT_NEAR(1 / m[0], 1.0, 1e-6);

  ortho_2d = 0;  // resize then takes the fitted perspective
  gfx_resize(640, 480);
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(1 / m[5], 0.75, 1e-6);
  ortho_2d = 1;
}

TEST(View, VersionAndExtensionSwitches) {
  vt_test::GlContext gl(8, 8);
  ASSERT_TRUE(gl.ok());
  EXPECT_GE(gfx_gl_version(), 1.1f);

  GLuint tex;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  has_aniso = 0;  // absent: the texture keeps its default
  gfx_anisotropy();
  GLfloat value = 0;
  glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &value);
  EXPECT_EQ(value, 1.0f);
  has_aniso = -1;
  gfx_anisotropy();
  EXPECT_NE(has_aniso, -1);
  if (has_aniso == 1) {
    EXPECT_GE(max_aniso, 1.0f);
    glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &value);
    EXPECT_EQ(value, max_aniso);
  }
  glDeleteTextures(1, &tex);

  gfx_swap_interval(1);  // the WGL name is never in a Mesa extension string
  EXPECT_EQ(has_swap_control, 0);
  EXPECT_EQ(swap_interval_fn, nullptr);
}
