// 3D shapes, checked call by call: quad counts, corner order and normals of the spheres, the
// octant's coverage, the cylinder's frame, equal ends, box texture repeats, and which calls set
// a colour.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx3d/shapes.h"
#include "gl_record/gl_record.h"
#include "util/gl_context.h"

namespace {

using gl_record::Call;
const double PI = 3.14159265358979323846;

struct Vertex {
  double p[3];
  double n[3];
  bool has_normal;
};

// Vertices in order, each with the normal current when it was emitted.
std::vector<Vertex> vertices_of(const std::vector<Call>& calls) {
  std::vector<Vertex> out;
  double n[3] = {0, 0, 0};
  bool has_normal = false;
  for (const Call& c : calls) {
    if (c.name == "glNormal3d" || c.name == "glNormal3f") {
      for (int i = 0; i < 3; i++) n[i] = c.args[size_t(i)];
      has_normal = true;
    } else if (c.name == "glVertex3d") {
      out.push_back({{c.args[0], c.args[1], c.args[2]}, {n[0], n[1], n[2]}, has_normal});
    }
  }
  return out;
}

class Shapes : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl.ok()); }
  void TearDown() override { glFinish(); }
  vt_test::GlContext gl{16, 16};
};

TEST_F(Shapes, SphereBatchColourAndQuadCounts) {
  gl_record::start();
  draw_sphere(1, 2, 3, 2, 0x102030, 2);
  auto calls = gl_record::stop();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().name, "glBegin");
  EXPECT_EQ(calls.front().args[0], GL_QUADS);
  EXPECT_EQ(calls[1].name, "glColor3ub");
  EXPECT_EQ(calls[1].args, (std::vector<double>{0x10, 0x20, 0x30}));
  EXPECT_EQ(calls.back().name, "glEnd");
  EXPECT_EQ(gl_record::only(calls, "glColor3ub").size(), 1u);
  auto v = vertices_of(calls);
  ASSERT_EQ(v.size(), 8u * 4);
  // Each vertex comes with its own unit normal pointing from the centre through it.
  for (const Vertex& x : v) {
    ASSERT_TRUE(x.has_normal);
    EXPECT_NEAR(x.p[0], 1 + 2 * x.n[0], 1e-12);
    EXPECT_NEAR(x.p[1], 2 + 2 * x.n[1], 1e-12);
    EXPECT_NEAR(x.p[2], 3 + 2 * x.n[2], 1e-12);
    EXPECT_NEAR(std::hypot(x.n[0], x.n[1], x.n[2]), 1, 1e-12);
  }
  // The first pair: phi index 1, theta index 1 -> S(pi/2, pi/2), S(pi/2, pi), S(pi, pi), S(pi, pi/2),
  // then the same corners with y negated.
  const double upper[4][3] = {{0, 1, 0}, {-1, 0, 0}, {0, 0, -1}, {0, 0, -1}};
  for (int k = 0; k < 8; k++) {
    const double* s = upper[k % 4];
    double sign = k < 4 ? 1 : -1;
    EXPECT_NEAR(v[size_t(k)].n[0], s[0], 1e-12) << k;
    EXPECT_NEAR(v[size_t(k)].n[1], sign * s[1], 1e-12) << k;
    EXPECT_NEAR(v[size_t(k)].n[2], s[2], 1e-12) << k;
  }
  // Upper quads cover y >= centre, mirrored ones y <= centre.
  for (size_t q = 0; q < v.size() / 4; q++)
    for (size_t k = 0; k < 4; k++)
      EXPECT_TRUE(q % 2 == 0 ? v[q * 4 + k].p[1] >= 2 - 1e-12 : v[q * 4 + k].p[1] <= 2 + 1e-12);
}

TEST_F(Shapes, SphereOfOneSegmentSitsOnThePolesAndNoneEmitsNothing) {
  gl_record::start();
  glBegin(GL_QUADS);
  emit_sphere(0, 0, 0, 1, 0, 1);
  glEnd();
  auto v = vertices_of(gl_record::stop());
  ASSERT_EQ(v.size(), 8u);
  for (const Vertex& x : v) EXPECT_NEAR(std::fabs(x.p[2]), 1, 1e-12);

  gl_record::start();
  draw_sphere(0, 0, 0, 1, 0xFF, 0);
  auto calls = gl_record::stop();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].name, "glBegin");
  EXPECT_EQ(calls[1].name, "glColor3ub");
  EXPECT_EQ(calls[2].name, "glEnd");
}

TEST_F(Shapes, OctantCoversExactlyTheOctantOfItsSigns) {
  for (int n : {8, 7}) {
    gl_record::start();
    glBegin(GL_QUADS);
    emit_sphere_octant(10, 20, 30, 2, -1, 1, -1, 0xABCDEF, n);
    glEnd();
    auto calls = gl_record::stop();
    auto v = vertices_of(calls);
    ASSERT_EQ(v.size(), size_t(n == 8 ? 16 : 9) * 4) << n;
    EXPECT_EQ(gl_record::only(calls, "glColor3ub").size(), 1u);
    double min_z = 1, max_y = 0, min_x = 0;
    for (const Vertex& x : v) {
      double ox = (x.p[0] - 10) / 2, oy = (x.p[1] - 20) / 2, oz = (x.p[2] - 30) / 2;
      EXPECT_LE(ox, 1e-12);
      EXPECT_GE(oy, -1e-12);
      EXPECT_LE(oz, 1e-12);
      EXPECT_NEAR(ox, x.n[0], 1e-12);
      min_z = std::min(min_z, -oz), max_y = std::max(max_y, oy), min_x = std::min(min_x, ox);
    }
    // theta and phi reach pi/2 for n = 8 and stop at 3 pi / 7 for n = 7.
    double reach = n == 8 ? PI / 2 : 3 * PI / 7;
    EXPECT_NEAR(min_z, std::cos(reach), 1e-12) << n;
    EXPECT_NEAR(max_y, std::sin(reach) * std::sin(reach), 1e-12) << n;
    EXPECT_NEAR(min_x, -std::sin(reach), 1e-12) << n;
  }
}

// The cylinder's first quad (i = n - 1 with n = 2) has the normals N1 = Q and N2 = -P.
void expect_frame(double bx, double by, double bz, const double p[3], const double q[3]) {
  gl_record::start();
  glBegin(GL_QUADS);
  emit_cylinder(0, 0, 0, bx, by, bz, 0.5, 0x010203, 2);
  glEnd();
  auto v = vertices_of(gl_record::stop());
  ASSERT_EQ(v.size(), 2u * 2 * 4);
  for (int i = 0; i < 3; i++) {
    EXPECT_NEAR(v[0].n[i], q[i], 1e-12);
    EXPECT_NEAR(v[2].n[i], -p[i], 1e-12);
    EXPECT_NEAR(v[4].n[i], -q[i], 1e-12);  // the negated half follows
  }
  // Ends A, B, B, A at radius r along the normal.
  const double b[3] = {bx, by, bz};
  for (int i = 0; i < 3; i++) {
    EXPECT_NEAR(v[0].p[i], 0.5 * v[0].n[i], 1e-12);
    EXPECT_NEAR(v[1].p[i], b[i] + 0.5 * v[1].n[i], 1e-12);
    EXPECT_NEAR(v[2].p[i], b[i] + 0.5 * v[2].n[i], 1e-12);
    EXPECT_NEAR(v[3].p[i], 0.5 * v[3].n[i], 1e-12);
  }
}

TEST_F(Shapes, CylinderFrameAlongZAndAlongX) {
  const double pz[3] = {0, 1, 0}, qz[3] = {-1, 0, 0};
  expect_frame(0, 0, 1, pz, qz);
  const double px[3] = {0, 0, 1}, qx[3] = {0, -1, 0};
  expect_frame(5, 0, 0, px, qx);
}

TEST_F(Shapes, CylinderWithEqualEndsOnlySetsTheColour) {
  gl_record::start();
  glBegin(GL_QUADS);
  emit_cylinder(1, 2, 3, 1, 2, 3, 1, 0xFF8000, 12);
  glEnd();
  auto calls = gl_record::stop();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].name, "glColor3ub");
  EXPECT_EQ(calls[1].args, (std::vector<double>{255, 128, 0}));
}

TEST_F(Shapes, TexturedBoxRepeatsEveryTile) {
  gl_record::start();
  glBegin(GL_QUADS);
  emit_box_tex(0, 4, 0, 1, 0, 3, 2);  // U = 2, V = 0.5, W = 1.5
  glEnd();
  auto calls = gl_record::stop();
  auto st = gl_record::only(calls, "glTexCoord2d");
  ASSERT_EQ(st.size(), 24u);
  const double want[6][4][2] = {
      {{0, 0}, {2, 0}, {2, 0.5}, {0, 0.5}}, {{0, 0}, {2, 0}, {2, 0.5}, {0, 0.5}},
      {{0, 0}, {2, 0}, {2, 1.5}, {0, 1.5}}, {{0, 0}, {2, 0}, {2, 1.5}, {0, 1.5}},
      {{0, 0}, {0.5, 0}, {0.5, 1.5}, {0, 1.5}}, {{0, 0}, {0.5, 0}, {0.5, 1.5}, {0, 1.5}}};
  for (size_t i = 0; i < 24; i++) {
    EXPECT_DOUBLE_EQ(st[i].args[0], want[i / 4][i % 4][0]) << i;
    EXPECT_DOUBLE_EQ(st[i].args[1], want[i / 4][i % 4][1]) << i;
  }
  // Each coordinate comes right before its vertex, and boxes and cubes set no colour.
  for (size_t i = 0; i + 1 < calls.size(); i++)
    if (calls[i].name == "glTexCoord2d") {
      EXPECT_EQ(calls[i + 1].name, "glVertex3d");
    }
  gl_record::start();
  glBegin(GL_QUADS);
  emit_box(0, 1, 0, 1, 0, 1);
  emit_cube(0, 0, 0, 1);
  emit_cube_tex(0, 0, 0, 1);
  glEnd();
  calls = gl_record::stop();
  EXPECT_TRUE(gl_record::only(calls, "glColor3ub").empty());
  EXPECT_EQ(gl_record::only(calls, "glNormal3f").size(), 18u);
  EXPECT_EQ(gl_record::only(calls, "glTexCoord2f").size(), 24u);
}

}  // namespace
