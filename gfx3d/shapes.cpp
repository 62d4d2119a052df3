// 3D shapes as immediate-mode quads. The sphere calls share one parametrisation: angles
// t_k = pi k / n with their cosines and sines computed once per call into two tables, and
// S(theta, phi) = (sin theta cos phi, sin theta sin phi, cos theta), each vertex preceded by its
// normal. The vertex orders are fixed: other code checks them call by call.
#include "gfx3d/shapes.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

const double PI = 3.14159265358979323846;

// Cosines and sines of pi k / divisor for k = 0..last.
struct AngleTables {
  double* cosines = nullptr;
  double* sines = nullptr;
  AngleTables(int last, int divisor) {
    if (last < 0) return;
    size_t count = size_t(last) + 1;
    cosines = static_cast<double*>(malloc(count * sizeof(double)));
    sines = static_cast<double*>(malloc(count * sizeof(double)));
    if (!cosines || !sines) return;
    for (size_t k = 0; k < count; k++) {
      double t = PI * double(k) / divisor;
      cosines[k] = cos(t);
      sines[k] = sin(t);
    }
  }
  ~AngleTables() {
    free(cosines);
    free(sines);
  }
  bool ok() const { return cosines && sines; }
};

void set_colour(int colour) {
  glColor3ub(GLubyte((colour >> 16) & 0xFF), GLubyte((colour >> 8) & 0xFF), GLubyte(colour & 0xFF));
}

// One sphere point: its normal with each component times its sign, then centre + r x normal.
void sphere_vertex(const AngleTables& t, int theta, int phi, double cx, double cy, double cz,
                   double r, double sx, double sy, double sz) {
  double nx = sx * t.sines[theta] * t.cosines[phi];
  double ny = sy * t.sines[theta] * t.sines[phi];
  double nz = sz * t.cosines[theta];
  glNormal3d(nx, ny, nz);
  glVertex3d(cx + r * nx, cy + r * ny, cz + r * nz);
}

void sphere_quads(double x, double y, double z, double r, int n) {
  if (n <= 0) return;
  AngleTables t(n, n);
  if (!t.ok()) return;
  for (int i = n - 1; i >= 0; i--)
    for (int j = n - 1; j >= 0; j--)
      for (double mirror : {1.0, -1.0}) {
        sphere_vertex(t, j, i, x, y, z, r, 1, mirror, 1);
        sphere_vertex(t, j, i + 1, x, y, z, r, 1, mirror, 1);
        sphere_vertex(t, j + 1, i + 1, x, y, z, r, 1, mirror, 1);
        sphere_vertex(t, j + 1, i, x, y, z, r, 1, mirror, 1);
      }
}

void face(float nx, float ny, float nz) { glNormal3f(nx, ny, nz); }

}  // namespace

void draw_sphere(double x, double y, double z, double r, int colour, int n) {
  glBegin(GL_QUADS);
  set_colour(colour);
  sphere_quads(x, y, z, r, n);
  glEnd();
}

void emit_sphere(double x, double y, double z, double r, int colour, int n) {
  set_colour(colour);
  sphere_quads(x, y, z, r, n);
}

void emit_sphere_octant(double x, double y, double z, double r, int sx, int sy, int sz, int colour,
                        int n) {
  set_colour(colour);
  int m = n / 2;
  if (m <= 0) return;
  // Still divided by n: a quarter turn in both angles when n is even, a little less when odd.
  AngleTables t(m, n);
  if (!t.ok()) return;
  for (int i = m - 1; i >= 0; i--)
    for (int j = m - 1; j >= 0; j--) {
      sphere_vertex(t, j, i, x, y, z, r, sx, sy, sz);
      sphere_vertex(t, j, i + 1, x, y, z, r, sx, sy, sz);
      sphere_vertex(t, j + 1, i + 1, x, y, z, r, sx, sy, sz);
      sphere_vertex(t, j + 1, i, x, y, z, r, sx, sy, sz);
    }
}

void emit_cylinder(double x0, double y0, double z0, double x1, double y1, double z1, double r,
                   int colour, int n) {
  set_colour(colour);
  double dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;
  double px, py, pz;
  double yz = dy * dy + dz * dz;
  if (yz > 1e-12) {
    double l = sqrt(yz);
    px = 0, py = dz / l, pz = -dy / l;
  } else {
    // Along the x axis, or no direction at all (equal ends): then there is no circle to draw.
    double l = sqrt(dx * dx + dz * dz);
    if (!(l > 0)) return;
    px = -dz / l, py = 0, pz = dx / l;
  }
  double qx = dy * pz - dz * py, qy = dz * px - dx * pz, qz = dx * py - dy * px;
  double ql = sqrt(qx * qx + qy * qy + qz * qz);
  if (!(ql > 0) || !std::isfinite(ql)) return;
  qx /= ql, qy /= ql, qz /= ql;
  if (n <= 0) return;
  AngleTables t(n, n);
  if (!t.ok()) return;
  auto vertex = [&](int k, double sign, double ex, double ey, double ez) {
    double nx = sign * (px * t.cosines[k] + qx * t.sines[k]);
    double ny = sign * (py * t.cosines[k] + qy * t.sines[k]);
    double nz = sign * (pz * t.cosines[k] + qz * t.sines[k]);
    glNormal3d(nx, ny, nz);
    glVertex3d(ex + r * nx, ey + r * ny, ez + r * nz);
  };
  for (int i = n - 1; i >= 0; i--)
    for (double sign : {1.0, -1.0}) {
      vertex(i, sign, x0, y0, z0);
      vertex(i, sign, x1, y1, z1);
      vertex(i + 1, sign, x1, y1, z1);
      vertex(i + 1, sign, x0, y0, z0);
    }
}

void emit_box(double x0, double x1, double y0, double y1, double z0, double z1) {
  face(0, 0, -1);
  glVertex3d(x0, y0, z0), glVertex3d(x1, y0, z0), glVertex3d(x1, y1, z0), glVertex3d(x0, y1, z0);
  face(0, 0, 1);
  glVertex3d(x0, y0, z1), glVertex3d(x1, y0, z1), glVertex3d(x1, y1, z1), glVertex3d(x0, y1, z1);
  face(0, -1, 0);
  glVertex3d(x0, y0, z0), glVertex3d(x1, y0, z0), glVertex3d(x1, y0, z1), glVertex3d(x0, y0, z1);
  face(0, 1, 0);
  glVertex3d(x0, y1, z0), glVertex3d(x1, y1, z0), glVertex3d(x1, y1, z1), glVertex3d(x0, y1, z1);
  face(-1, 0, 0);
  glVertex3d(x0, y0, z0), glVertex3d(x0, y1, z0), glVertex3d(x0, y1, z1), glVertex3d(x0, y0, z1);
  face(1, 0, 0);
  glVertex3d(x1, y0, z0), glVertex3d(x1, y1, z0), glVertex3d(x1, y1, z1), glVertex3d(x1, y0, z1);
}

void emit_cube(double x, double y, double z, double d) { emit_box(x, x + d, y, y + d, z, z + d); }

void emit_cube_tex(double x, double y, double z, double d) {
  double x0 = x, x1 = x + d, y0 = y, y1 = y + d, z0 = z, z1 = z + d;
  // The same faces and corners as emit_box, each corner with its unit-square coordinate.
  const double v[6][4][3] = {
      {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}},
      {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},
      {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
      {{x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}},
      {{x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}},
      {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}},
  };
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int f = 0; f < 6; f++) {
    face(normals[f][0], normals[f][1], normals[f][2]);
    for (int c = 0; c < 4; c++) {
      glTexCoord2f(st[c][0], st[c][1]);
      glVertex3d(v[f][c][0], v[f][c][1], v[f][c][2]);
    }
  }
}

void emit_box_tex(double x0, double x1, double y0, double y1, double z0, double z1, double g) {
  double u = (x1 - x0) / g, v = (y1 - y0) / g, w = (z1 - z0) / g;
  face(0, 0, -1);
  glTexCoord2d(0, 0), glVertex3d(x0, y0, z0), glTexCoord2d(u, 0), glVertex3d(x1, y0, z0);
  glTexCoord2d(u, v), glVertex3d(x1, y1, z0), glTexCoord2d(0, v), glVertex3d(x0, y1, z0);
  face(0, 0, 1);
  glTexCoord2d(0, 0), glVertex3d(x0, y0, z1), glTexCoord2d(u, 0), glVertex3d(x1, y0, z1);
  glTexCoord2d(u, v), glVertex3d(x1, y1, z1), glTexCoord2d(0, v), glVertex3d(x0, y1, z1);
  face(0, -1, 0);
  glTexCoord2d(0, 0), glVertex3d(x0, y0, z0), glTexCoord2d(u, 0), glVertex3d(x1, y0, z0);
  glTexCoord2d(u, w), glVertex3d(x1, y0, z1), glTexCoord2d(0, w), glVertex3d(x0, y0, z1);
  face(0, 1, 0);
  glTexCoord2d(0, 0), glVertex3d(x0, y1, z0), glTexCoord2d(u, 0), glVertex3d(x1, y1, z0);
  glTexCoord2d(u, w), glVertex3d(x1, y1, z1), glTexCoord2d(0, w), glVertex3d(x0, y1, z1);
  face(-1, 0, 0);
  glTexCoord2d(0, 0), glVertex3d(x0, y0, z0), glTexCoord2d(v, 0), glVertex3d(x0, y1, z0);
  glTexCoord2d(v, w), glVertex3d(x0, y1, z1), glTexCoord2d(0, w), glVertex3d(x0, y0, z1);
  face(1, 0, 0);
  glTexCoord2d(0, 0), glVertex3d(x1, y0, z0), glTexCoord2d(v, 0), glVertex3d(x1, y1, z0);
  glTexCoord2d(v, w), glVertex3d(x1, y1, z1), glTexCoord2d(0, w), glVertex3d(x1, y0, z1);
}

void emit_box_edges(double x0, double x1, double y0, double y1, double z0, double z1) {
  const double e[12][6] = {
      {x0, y0, z0, x1, y0, z0}, {x0, y0, z1, x1, y0, z1},
      {x0, y1, z0, x1, y1, z0}, {x0, y1, z1, x1, y1, z1},
      {x0, y0, z0, x0, y1, z0}, {x0, y0, z1, x0, y1, z1},
      {x1, y0, z0, x1, y1, z0}, {x1, y0, z1, x1, y1, z1},
      {x0, y0, z0, x0, y0, z1}, {x0, y1, z0, x0, y1, z1},
      {x1, y0, z0, x1, y0, z1}, {x1, y1, z0, x1, y1, z1},
  };
  for (const auto& s : e) {
    glVertex3d(s[0], s[1], s[2]);
    glVertex3d(s[3], s[4], s[5]);
  }
}
