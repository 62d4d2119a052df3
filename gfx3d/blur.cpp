// Screen blur by texture copies: each pass copies the screen into a power-of-two texture and
// draws it back twice, shifted by r to either side with alphas 1/3 and 1/4 (so each pixel becomes
// 1/4 left + 1/2 itself + 1/4 right), then does the same vertically, halving r until below 1.
#include "gfx3d/blur.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx/draw2d.h"
#include "gfx/shell_state.h"

unsigned blur_tex = 0;

namespace {

int pow2_at_least(int n) {
  int p = 1;
  while (p < n && p <= (1 << 29)) p *= 2;
  return p;
}

void copy_screen(int pw, int ph) {
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, pw, ph, 0);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

// One full-screen quad with texture corners (s0, t0), (s1, t0), (s1, t1), (s0, t1) from the top
// left, clockwise on screen.
void screen_quad(float alpha, float s0, float s1, float t0, float t1) {
  glColor4f(1, 1, 1, alpha);
  glTexCoord2f(s0, t0), glVertex2f(0, 0);
  glTexCoord2f(s1, t0), glVertex2f(float(screen_w), 0);
  glTexCoord2f(s1, t1), glVertex2f(float(screen_w), float(screen_h));
  glTexCoord2f(s0, t1), glVertex2f(0, float(screen_h));
}

}  // namespace

void screen_blur(float r) {
  if (blur_tex == 0) glGenTextures(1, &blur_tex);
  GLboolean had_texture = glIsEnabled(GL_TEXTURE_2D);
  GLboolean had_lighting = glIsEnabled(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, blur_tex);
  const int pw = pow2_at_least(screen_w), ph = pow2_at_least(screen_h);
  const float fs = float(screen_w) / float(pw), ft = float(screen_h) / float(ph);
  begin2d();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // An infinite radius never halves below 1, and NaN is no radius at all.
  if (!std::isfinite(r)) r = 0;
  while (r >= 1) {
    float d = r / float(pw);
    copy_screen(pw, ph);
    glBegin(GL_QUADS);
    screen_quad(1.0f / 3.0f, d, d + fs, ft, 0);
    screen_quad(0.25f, -d, -d + fs, ft, 0);
    glEnd();
    float e = r / float(ph);
    copy_screen(pw, ph);
    glBegin(GL_QUADS);
    screen_quad(1.0f / 3.0f, 0, fs, ft + e, e);
    screen_quad(0.25f, 0, fs, ft - e, -e);
    glEnd();
    r *= 0.5f;
  }
  end2d();
  glBlendFunc(GL_ONE, GL_ZERO);
  if (!had_texture) glDisable(GL_TEXTURE_2D);
  if (had_lighting) glEnable(GL_LIGHTING);
}
