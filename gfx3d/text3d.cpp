// 3D text: one walk over the text shared by the three operations. Each glyph's texture rectangle
// runs between the first and last texel centres of its cell, cur_line_h rows tall. Glyph numbers
// come from single bytes or from glyph escapes; any number outside the font's tables, or of a
// glyph the font does not hold, is skipped without advancing.
#include "gfx3d/text3d.h"

#include <GL/gl.h>

#include <cstdint>

#include "text/font.h"
#include "text/text_draw.h"

namespace {

enum class Step { glyph, escaped_glyph, tab, newline, end };

// Reads the next item of the text at *p and moves past it. A glyph escape's payload may hold a
// zero (glyph 256 is 0x02 0x01 0x00), so only a zero in its first payload byte ends the text there
// (the escape was cut off).
Step next_item(const uint8_t** p, int* glyph) {
  const uint8_t* t = *p;
  switch (t[0]) {
    case 0: return Step::end;
    case '\n': *p = t + 1; return Step::newline;
    case '\t': *p = t + 1; return Step::tab;
    case 0x02:
      if (t[1] == 0) return Step::end;
      *glyph = t[1] * 256 + t[2];
      *p = t + 3;
      return Step::escaped_glyph;
    default: *glyph = t[0]; *p = t + 1; return Step::glyph;
  }
}

bool have_font() { return cur_font && cur_line_h > 0; }

// Width of a glyph in line heights, or -1 when it is not to be drawn: an escaped glyph number
// outside the font's tables or one the font does not hold. A byte's glyph is always drawn, even
// when it is 0 wide (a degenerate quad, as for any code the font has no image for).
double glyph_units(Step step, int glyph) {
  if (glyph < 0 || glyph >= FONT_GLYPHS) return -1;
  int w = cur_font->glyph_w[glyph];
  if (step == Step::escaped_glyph && w <= 0) return -1;
  return double(w) / cur_line_h;
}

struct TexRect {
  float s0, s1, t0, t1;
};

TexRect glyph_rect(int glyph) {
  const Font* f = cur_font;
  TexRect r;
  r.s0 = float((f->glyph_x[glyph] + 0.5) / f->atlas_w);
  r.s1 = float(r.s0 + double(f->glyph_w[glyph] - 1) / f->atlas_w);
  r.t0 = float((f->glyph_y[glyph] + 0.5) / f->atlas_h);
  r.t1 = float(r.t0 + double(cur_line_h - 1) / f->atlas_h);
  return r;
}

void set_mapped_blend() {
  switch (blend_mode) {
    case 1: glBlendFunc(GL_ONE, GL_ZERO); break;
    case 2: glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR); break;
    case 3: glBlendFunc(GL_SRC_ALPHA, GL_ONE); break;
    case 4: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
    default: break;
  }
}

void mapped_corner(float s, float t, double column, double row, TextMapFn map, void* data) {
  double x = 0, y = 0, z = 0;
  int colour = 0;
  glTexCoord2f(s, t);
  map(column, row, data, &x, &y, &z, &colour);
  glColor3ub(GLubyte((colour >> 16) & 0xFF), GLubyte((colour >> 8) & 0xFF), GLubyte(colour & 0xFF));
  glVertex3f(float(x), float(y), float(z));
}

}  // namespace

void draw_text_mapped(const char* text, TextMapFn map, void* data) {
  if (!have_font() || !text || !map) return;
  glPushAttrib(GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, cur_font->tex);
  glEnable(GL_BLEND);
  set_mapped_blend();
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.0f);
  double column = 0, row = 0;
  glBegin(GL_QUADS);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  for (int glyph = 0;;) {
    Step step = next_item(&p, &glyph);
    if (step == Step::end) break;
    if (step == Step::newline) {
      column = 0, row += 1;
    } else if (step == Step::tab) {
      column += 1;
    } else {
      double k = glyph_units(step, glyph);
      if (k < 0) continue;
      TexRect r = glyph_rect(glyph);
      mapped_corner(r.s0, r.t0, column, row, map, data);
      mapped_corner(r.s1, r.t0, column + k, row, map, data);
      mapped_corner(r.s1, r.t1, column + k, row + 1, map, data);
      mapped_corner(r.s0, r.t1, column, row + 1, map, data);
      column += k;
    }
  }
  glEnd();
  glPopAttrib();
}

void map_flat(double column, double row, void* data, double* x, double* y, double* z, int* colour) {
  const FlatPlacement* place = static_cast<const FlatPlacement*>(data);
  *x = place->scale * column + place->x;
  *y = place->scale * row + place->y;
  *z = 0;
  *colour = place->colour;
}

void draw_text_scaled(double x, double y, double scale, const char* text, int colour) {
  FlatPlacement place = {x, y, scale, colour};
  draw_text_mapped(text, map_flat, &place);
}

void emit_text_3d(double x, double y, double z, const char* text, const double down[3],
                  const double across[3]) {
  if (!have_font() || !text || !down || !across) return;
  double line[3] = {x, y, z}, pen[3] = {x, y, z};
  auto corner = [&](float s, float t, double a, double d) {
    glTexCoord2f(s, t);
    glVertex3f(float(pen[0] + a * across[0] + d * down[0]),
               float(pen[1] + a * across[1] + d * down[1]),
               float(pen[2] + a * across[2] + d * down[2]));
  };
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  for (int glyph = 0;;) {
    Step step = next_item(&p, &glyph);
    if (step == Step::end) break;
    if (step == Step::newline) {
      for (int i = 0; i < 3; i++) line[i] += down[i], pen[i] = line[i];
    } else if (step == Step::tab) {
      for (int i = 0; i < 3; i++) pen[i] += across[i];
    } else {
      double k = glyph_units(step, glyph);
      if (k < 0) continue;
      TexRect r = glyph_rect(glyph);
      corner(r.s0, r.t0, 0, 0);
      corner(r.s1, r.t0, k, 0);
      corner(r.s1, r.t1, k, 1);
      corner(r.s0, r.t1, 0, 1);
      for (int i = 0; i < 3; i++) pen[i] += k * across[i];
    }
  }
}

double text_width_lines(const char* text) {
  if (!have_font() || !text) return 0;
  double width = 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  for (int glyph = 0;;) {
    Step step = next_item(&p, &glyph);
    if (step == Step::end) break;
    if (step == Step::tab) width += 1;
    if (step == Step::glyph || step == Step::escaped_glyph) {
      double k = glyph_units(step, glyph);
      if (k > 0) width += k;
    }
  }
  return width;
}
