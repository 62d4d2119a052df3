// The test GL context draws in the shell's pixel space: (0, 0) is the top-left pixel.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "util/gl_context.h"

TEST(GlContext, TopLeftPixelSpace) {
  vt_test::GlContext gl(8, 6);
  ASSERT_TRUE(gl.ok());
  glColor3f(1, 0, 0);
  glBegin(GL_POINTS);
  glVertex2f(0.5f, 0.5f);  // top-left pixel
  glVertex2f(7.5f, 5.5f);  // bottom-right pixel
  glEnd();
  EXPECT_EQ(gl.pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(gl.pixel(7, 5), 0xFF0000u);
  EXPECT_EQ(gl.pixel(1, 0), 0u);
}
