// Screen blur: the passes made for a radius (copies, texture shifts, alphas), radii that make no
// pass, the 1-2-1 weights on real pixels, and the state left behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gfx/draw2d.h"
#include "gfx/shell_state.h"
#include "gfx3d/blur.h"
#include "gl_record/gl_record.h"
#include "util/gl_context.h"

namespace {

constexpr int W = 800, H = 600;

class Blur : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = W;
    screen_h = H;
  }
  void TearDown() override { glFinish(); }
  vt_test::GlContext gl{W, H};
};

TEST_F(Blur, RadiusFourMakesThreePassesOverPowerOfTwoCopies) {
  gl_record::start();
  screen_blur(4);
  auto calls = gl_record::stop();
  auto copies = gl_record::only(calls, "glCopyTexImage2D");
  ASSERT_EQ(copies.size(), 6u);
  for (const auto& c : copies)
    EXPECT_EQ(c.args, (std::vector<double>{GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, 1024, 1024, 0}));
  // Per pass: horizontal quads at +d and -d, then vertical ones at +e and -e.
  auto st = gl_record::only(calls, "glTexCoord2f");
  ASSERT_EQ(st.size(), 3u * 16);
  const float fs = 0.78125f, ft = 0.5859375f;
  for (int pass = 0; pass < 3; pass++) {
    float r = 4.0f / float(1 << pass);
    const auto* q = &st[size_t(pass) * 16];
    EXPECT_EQ(q[0].args, (std::vector<double>{r / 1024, ft}));
    EXPECT_EQ(q[2].args, (std::vector<double>{r / 1024 + fs, 0}));
    EXPECT_EQ(q[4].args, (std::vector<double>{-r / 1024, ft}));
    EXPECT_EQ(q[8].args, (std::vector<double>{0, ft + r / 1024}));
    EXPECT_EQ(q[14].args, (std::vector<double>{fs, -r / 1024}));
  }
  auto colours = gl_record::only(calls, "glColor4f");
  ASSERT_EQ(colours.size(), 12u);
  EXPECT_FLOAT_EQ(float(colours[0].args[3]), 1.0f / 3);
  EXPECT_FLOAT_EQ(float(colours[1].args[3]), 0.25f);
  auto v = gl_record::only(calls, "glVertex2f");
  EXPECT_EQ(v[2].args, (std::vector<double>{W, H}));
}

TEST_F(Blur, RadiiThatMakeNoPass) {
  for (float r : {0.5f, std::numeric_limits<float>::quiet_NaN(),
                  std::numeric_limits<float>::infinity()}) {
    gl_record::start();
    screen_blur(r);
    auto calls = gl_record::stop();
    EXPECT_TRUE(gl_record::only(calls, "glCopyTexImage2D").empty()) << r;
    EXPECT_TRUE(gl_record::only(calls, "glBegin").empty()) << r;
  }
}

TEST_F(Blur, WeightsAreOneTwoOneAndFlatAreasStay) {
  glClearColor(0.375f, 0.375f, 0.375f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  fillbox(400, 0, 1, H, 0xFFFFFF);  // a one-pixel white line down the middle
  fillbox(0, 0, 100, H, 0x000000);
  glEnable(GL_LIGHTING);
  screen_blur(1);
  auto near = [&](int x, int y, int want) {
    uint32_t p = gl.pixel(x, y);
    for (int shift : {16, 8, 0}) EXPECT_NEAR(int((p >> shift) & 0xFF), want, 2) << x << "," << y;
  };
  near(400, 300, (255 + 2 * 0x60) / 2 - 0x30);  // 1/2 x 255 + 1/4 x 0x60 + 1/4 x 0x60
  near(399, 300, 255 / 4 + 3 * 0x60 / 4);
  near(401, 300, 255 / 4 + 3 * 0x60 / 4);
  near(300, 300, 0x60);  // flat grey stays
  near(50, 300, 0);      // flat black stays
  near(99, 300, 0x60 / 4);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ONE);
  EXPECT_EQ(dst, GL_ZERO);
  unsigned texture = blur_tex;
  EXPECT_NE(texture, 0u);
  screen_blur(0);
  EXPECT_EQ(blur_tex, texture);
}

}  // namespace
