// 2D drawing primitives on immediate-mode OpenGL: every call sets its colour from 0xRRGGBB and
// emits one primitive; the _v variants only emit colour and vertices for a caller's glBegin.
// Circles and arcs choose their segment count from their size on screen (units_per_pixel).
#include "gfx/draw2d.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx/shell_state.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;
constexpr double SEGMENTS_PER_SQRT_PIXEL = 5.0;
// Far beyond any circle on a screen; keeps the double-to-int conversion defined for absurd radii.
constexpr double MAX_SEGMENTS = 1000000.0;

void set_colour(uint32_t c) {
  glColor3ub(GLubyte((c >> 16) & 0xFF), GLubyte((c >> 8) & 0xFF), GLubyte(c & 0xFF));
}

// trunc(v) for v >= 1, else 1 (also for NaN).
int segment_count(double v) {
  if (!(v >= 1.0)) return 1;
  if (v > MAX_SEGMENTS) v = MAX_SEGMENTS;
  return int(v);
}

// Emits the n+1 rim points of a circle, the angle accumulated step by step.
void circle_rim(double x, double y, double r, int n) {
  double step = TWO_PI / n;
  double a = 0.0;
  for (int i = 0; i <= n; i++) {
    glVertex2d(x + r * std::sin(a), y + r * std::cos(a));
    a += step;
  }
}

// Viewport and both matrices as doubles, column-major.
struct ViewState {
  GLint viewport[4];
  GLdouble projection[16];
  GLdouble modelview[16];
};

ViewState read_view_state() {
  ViewState s;
  glGetIntegerv(GL_VIEWPORT, s.viewport);
  glGetDoublev(GL_PROJECTION_MATRIX, s.projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, s.modelview);
  return s;
}

}  // namespace

void drawpoint(double x, double y, uint32_t colour) {
  glBegin(GL_POINTS);
  drawpoint_v(x, y, colour);
  glEnd();
}

void drawpoint_v(double x, double y, uint32_t colour) {
  set_colour(colour);
  glVertex2d(x, y);
}

void drawline(double x1, double y1, double x2, double y2, uint32_t colour) {
  GLboolean lit = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  glBegin(GL_LINES);
  drawline_v(x1, y1, x2, y2, colour);
  glEnd();
  if (lit) glEnable(GL_LIGHTING);
}

void drawline_v(double x1, double y1, double x2, double y2, uint32_t colour) {
  set_colour(colour);
  glVertex2d(x1, y1);
  glVertex2d(x2, y2);
}

void fillbox(double x, double y, double w, double h, uint32_t colour) {
  glBegin(GL_QUADS);
  fillbox_v(x, y, w, h, colour);
  glEnd();
}

void fillbox_v(double x, double y, double w, double h, uint32_t colour) {
  set_colour(colour);
  glVertex2d(x, y);
  glVertex2d(x + w, y);
  glVertex2d(x + w, y + h);
  glVertex2d(x, y + h);
}

void drawbox(double x, double y, double w, double h, uint32_t colour) {
  glBegin(GL_LINE_LOOP);
  fillbox_v(x, y, w, h, colour);
  glEnd();
}

void drawrect(double x1, double y1, double x2, double y2, uint32_t colour) {
  glBegin(GL_LINE_LOOP);
  set_colour(colour);
  glVertex2d(x1, y1);
  glVertex2d(x2, y1);
  glVertex2d(x2, y2);
  glVertex2d(x1, y2);
  glEnd();
}

int circle_segments(double r) {
  double p = units_per_pixel();
  return segment_count(SEGMENTS_PER_SQRT_PIXEL * std::sqrt(r / p));
}

// The segment count reads the matrices, which OpenGL refuses inside glBegin: it comes first.
void fillcircle(double x, double y, double r, uint32_t colour) {
  int n = circle_segments(r);
  glBegin(GL_TRIANGLE_FAN);
  set_colour(colour);
  glVertex2d(x, y);
  circle_rim(x, y, r, n);
  glEnd();
}

void drawcircle(double x, double y, double r, uint32_t colour) {
  int n = circle_segments(r);
  glBegin(GL_LINE_LOOP);
  set_colour(colour);
  circle_rim(x, y, r, n);
  glEnd();
}

void fillarc(double x, double y, double inner_r, double outer_r, double start_angle,
             double end_angle, uint32_t colour, uint32_t alpha) {
  double sweep = end_angle - start_angle;
  double s = SEGMENTS_PER_SQRT_PIXEL * (sweep / TWO_PI) * std::sqrt(outer_r / units_per_pixel());
  double t = 1.0;
  if (s >= 1.0) t = SEGMENTS_PER_SQRT_PIXEL * (sweep / TWO_PI) * std::sqrt(outer_r / units_per_pixel());
  int n = segment_count(t);
  double step = sweep / n;

  glColor4ub(GLubyte((colour >> 16) & 0xFF), GLubyte((colour >> 8) & 0xFF), GLubyte(colour & 0xFF),
             GLubyte(alpha & 0xFF));
  double a = start_angle;
  if (inner_r == 0.0) {
    glBegin(GL_TRIANGLE_FAN);
    glVertex2d(x, y);
    for (int i = 0; i <= n; i++) {
      glVertex2d(x + outer_r * std::sin(a), y - outer_r * std::cos(a));
      a += step;
    }
  } else {
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= n; i++) {
      float sn = float(std::sin(a)), cs = float(std::cos(a));
      glVertex2d(x + inner_r * sn, y - inner_r * cs);
      glVertex2d(x + outer_r * sn, y - outer_r * cs);
      a += step;
    }
  }
  glEnd();
}

void begin2d() {
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  int h = screen_h;
  glOrtho(vp[0], vp[0] + vp[2], h - vp[1], h - vp[1] - vp[3], h / 2, -(h / 2));
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_DEPTH_TEST);
}

void end2d() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}

double units_per_pixel() {
  ViewState s = read_view_state();
  double r[16];
  for (int col = 0; col < 4; col++)
    for (int row = 0; row < 4; row++) {
      double sum = 0.0;
      for (int k = 0; k < 4; k++) sum += s.projection[k * 4 + row] * s.modelview[col * 4 + k];
      r[col * 4 + row] = sum;
    }
  for (int i = 0; i < 4; i++) {
    r[i] *= 0.5 * s.viewport[2];
    r[4 + i] *= 0.5 * s.viewport[3];
  }
  double d = std::fabs(r[5] * r[0] - r[4] * r[1]);
  return 1.0 / std::sqrt(d);
}

double units_per_pixel_x() {
  GLdouble p[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  return 2.0 / (p[0] * screen_w);
}

void gfx_project(double x, double y, double z, double* wx, double* wy) {
  ViewState s = read_view_state();
  const double in[4] = {x, y, z, 1.0};
  double e[4];
  for (int row = 0; row < 4; row++) {
    double sum = 0.0;
    for (int k = 0; k < 4; k++) sum += s.modelview[k * 4 + row] * in[k];
    e[row] = sum;
  }
  double cx = 0.0, cy = 0.0;
  for (int k = 0; k < 4; k++) {
    cx += s.projection[k * 4 + 0] * e[k];
    cy += s.projection[k * 4 + 1] * e[k];
  }
  *wx = (0.5 * cx + 0.5) * s.viewport[2] + s.viewport[0];
  *wy = (-0.5 * cy + 0.5) * s.viewport[3] + s.viewport[1];
}

void gfx_smooth() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_POINT_SMOOTH);
}
