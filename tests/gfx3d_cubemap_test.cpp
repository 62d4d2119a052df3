// Cube maps: supersampling means, faces that reach OpenGL intact and in
// the standard orientation for odd sizes too, the sizes refused, and the skybox's drawing and the
// state it leaves.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx3d/cubemap.h"
#include "gl_record/gl_record.h"
#include "util/gl_context.h"

namespace {

int calls = 0;

void counting_colour(double, double, double, unsigned char rgb[3]) {
  calls++;
  rgb[0] = rgb[1] = rgb[2] = 0;
}

// Encodes the direction in the colour, 0..255 per component.
unsigned char encode(double v) { return (unsigned char)std::lround((v + 1) * 127.5); }
void direction_colour(double x, double y, double z, unsigned char rgb[3]) {
  rgb[0] = encode(x), rgb[1] = encode(y), rgb[2] = encode(z);
}

// Four sub-samples per texel giving 200, 201, 201, 201 in every channel of every face.
void stepping_colour(double, double, double, unsigned char rgb[3]) {
  unsigned char v = (calls++ / 6) % 4 == 0 ? 200 : 201;
  rgb[0] = rgb[1] = rgb[2] = v;
}

// The colour of the face each direction points at most.
void face_colour(double x, double y, double z, unsigned char rgb[3]) {
  double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
  rgb[0] = rgb[1] = rgb[2] = 0;
  if (ax >= ay && ax >= az) rgb[0] = x > 0 ? 255 : 128;
  else if (ay >= az) rgb[1] = y > 0 ? 255 : 128;
  else rgb[2] = z > 0 ? 255 : 128;
}

std::vector<unsigned char> read_face(int face, int level, int* size) {
  GLint w = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, level, GL_TEXTURE_WIDTH, &w);
  *size = w;
  std::vector<unsigned char> texels(size_t(w) * w * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, level, GL_RGB, GL_UNSIGNED_BYTE,
                texels.data());
  return texels;
}

class CubeMap : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    calls = 0;
  }
  void TearDown() override { glFinish(); }
  vt_test::GlContext gl{64, 64};
};

TEST_F(CubeMap, SupersamplingStoresTheTruncatedMean) {
  unsigned t = make_cubemap(stepping_colour, 2, 2);
  ASSERT_NE(t, 0u);
  EXPECT_EQ(calls, 6 * 4 * 4);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
  EXPECT_EQ(unsigned(bound), t);
  for (int face = 0; face < 6; face++) {
    int size = 0;
    for (unsigned char v : read_face(face, 0, &size)) ASSERT_EQ(v, 200) << face;
  }
}

// For sizes whose rows are not a multiple of 4 bytes, every face must still hold, at texel
// (i, j), the direction OpenGL's cube-map lookup assigns to it.
TEST_F(CubeMap, FacesArriveIntactInTheStandardOrientation) {
  for (int n : {3, 5, 6}) {
    ASSERT_NE(make_cubemap(direction_colour, unsigned(n), 1), 0u);
    for (int face = 0; face < 6; face++) {
      int size = 0;
      std::vector<unsigned char> texels = read_face(face, 0, &size);
      ASSERT_EQ(size, n);
      for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++) {
          double sc = 2 * (i + 0.5) / n - 1, tc = 2 * (j + 0.5) / n - 1;
          double v[6][3] = {{1, -tc, -sc}, {-1, -tc, sc}, {sc, 1, tc},
                            {sc, -1, -tc}, {sc, -tc, 1}, {-sc, -tc, -1}};
          double len = std::sqrt(1 + sc * sc + tc * tc);
          const unsigned char* got = &texels[(size_t(j) * n + i) * 3];
          for (int c = 0; c < 3; c++)
            ASSERT_NEAR(got[c], encode(v[face][c] / len), 1) << n << " face " << face << " " << i << "," << j;
        }
    }
    int level1 = 0;
    read_face(0, 1, &level1);
    EXPECT_EQ(level1, (n + 1) / 2);
  }
}

TEST_F(CubeMap, RefusesSizesItCannotBuild) {
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &max_size);
  GLint before = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &before);
  EXPECT_EQ(make_cubemap(counting_colour, 0, 1), 0u);
  EXPECT_EQ(make_cubemap(counting_colour, unsigned(max_size) + 1, 1), 0u);
  EXPECT_EQ(make_cubemap(counting_colour, 0x80000000u, 1), 0u);
  EXPECT_EQ(make_cubemap(counting_colour, 1, 65536), 0u);       // samples^2 overflows 32 bits
  EXPECT_EQ(make_cubemap(counting_colour, 2, 0xFFFFFFFFu), 0u);
  EXPECT_EQ(calls, 0);
  GLint after = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &after);
  EXPECT_EQ(after, before);
}

TEST_F(CubeMap, SkyboxPaintsAroundTheEyeAndRestoresTheState) {
  unsigned sky = make_cubemap(face_colour, 8, 1);
  ASSERT_NE(sky, 0u);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  // A wide view down -z: the edges look past 45 degrees onto the side faces.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.3, 0.3, -0.3, 0.3, 0.1, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslated(5, 6, 7);  // ignored: the box is drawn around the eye
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glClear(GL_DEPTH_BUFFER_BIT);

  gl_record::start();
  draw_skybox(sky);
  auto calls = gl_record::stop();

  EXPECT_EQ(gl.pixel(32, 32), 0x000080u);  // -Z face straight ahead
  EXPECT_EQ(gl.pixel(32, 1), 0x00FF00u);   // +Y at the top edge
  EXPECT_EQ(gl.pixel(1, 32), 0x800000u);   // -X at the left edge
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
  EXPECT_EQ(bound, 0);
  GLdouble m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 5);
  EXPECT_EQ(m[14], 7);
  GLfloat depth = 0;  // the box's own depths are gone again
  glReadPixels(10, 10, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);

  // The first quad is x = +1 in its corner order, each texture coordinate equal to its vertex.
  auto v = gl_record::only(calls, "glVertex3f");
  auto st = gl_record::only(calls, "glTexCoord3f");
  ASSERT_EQ(v.size(), 24u);
  ASSERT_EQ(st.size(), 24u);
  const double first[4][3] = {{1, 1, 1}, {1, 1, -1}, {1, -1, -1}, {1, -1, 1}};
  for (int k = 0; k < 4; k++)
    EXPECT_EQ(v[size_t(k)].args, std::vector<double>(first[k], first[k] + 3));
  for (size_t k = 0; k < 24; k++) EXPECT_EQ(v[k].args, st[k].args);
  EXPECT_EQ(gl_record::only(calls, "glPushAttrib")[0].args[0], 0x42000);
}

}  // namespace
