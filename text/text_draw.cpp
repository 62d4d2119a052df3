// Text drawing and measuring. font_print walks the text escape by escape and emits one quad per
// glyph inside a single GL_QUADS batch; the measuring operations walk it the same way with the
// advances of glyph_advance. The *_len forms never read at or past their length; the plain forms
// pass SIZE_MAX and trust the text to end outside an escape. Glyphs that fall outside the window
// are not sent, and the rest of a line that has run off its right edge is skipped over.
#include "text/text_draw.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "gfx/draw2d.h"
#include "gfx/shell_state.h"
#include "text/font.h"
#include "text/font_variants.h"

int blend_mode = 3;

namespace {

const float LETTER_SPACING = 0.13f;  // of cur_cell_w, in every advance
const size_t UNBOUNDED = SIZE_MAX;

// Float to int, truncating, with out-of-range values (huge scales) held at the int limits.
int to_int(double v) {
  if (!(v == v)) return 0;
  if (v >= double(INT_MAX)) return INT_MAX;
  if (v <= double(INT_MIN)) return INT_MIN;
  return int(v);
}

int clamp_int(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

bool is_white_space(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Bytes 1..7 introduce escapes in the measuring walk, followed by as many payload bytes.
bool is_measure_escape(uint8_t c) { return c >= 1 && c <= 7; }

long long measure(const uint8_t* t, size_t len) {
  long long sum = 0;
  for (size_t i = 0; i < len && t[i] != 0 && t[i] != '\n';) {
    if (is_measure_escape(t[i])) {
      if (t[i] >= len - i) break;  // payload cut off by the end: the text ends here
      i += size_t(t[i]) + 1;
      continue;
    }
    sum += glyph_advance(t[i]);
    i++;
  }
  return sum;
}

int fit(const uint8_t* t, size_t len, int p) {
  long long acc = 0;
  size_t i = 0;
  while (i < len && t[i] != 0 && t[i] != '\n') {
    if (is_measure_escape(t[i])) {
      if (t[i] >= len - i) break;
      i += size_t(t[i]) + 1;
      continue;
    }
    long long next = acc + glyph_advance(t[i]);
    if (next >= p) return clamp_int(p - acc < next - p ? (long long)i : (long long)i + 1);
    acc = next;
    i++;
  }
  return clamp_int((long long)i);
}

// Whether the word starting at t (up to the next white space, zero byte or the end) is wider than
// room, by the wrap rule: its text_width (at least 0) above room. With advances that cannot be
// negative the walk stops as soon as the answer is known, so a huge word costs no more than room.
bool word_exceeds(const uint8_t* t, size_t len, double room, bool monotone) {
  long long sum = 0;
  size_t i = 0;
  while (i < len && t[i] != 0 && !is_white_space(t[i])) {
    if (is_measure_escape(t[i])) {
      // The word ends at the first white space, so a payload reaching it cuts the text there.
      size_t n = t[i];
      if (n >= len - i) break;
      bool cut = false;
      for (size_t k = 1; k <= n && !cut; k++) cut = t[i + k] == 0 || is_white_space(t[i + k]);
      if (cut) break;
      i += n + 1;
      continue;
    }
    sum += glyph_advance(t[i]);
    i++;
    if (monotone && double(sum - 1) > room) return true;
  }
  return double(sum - 1 < 0 ? 0 : sum - 1) > room;
}

// Bytes that can change what the rest of a line shows: the end, a line feed, escapes (pen
// position, size, colour, glyphs by number) and, when wrapping, the spaces where lines break.
bool line_matters(uint8_t c, bool wrapping) {
  return c == 0 || c == '\n' || c == 0x02 || c == 0x05 || (wrapping && c == ' ');
}

void set_blend_function() {
  switch (blend_mode) {
    case 1: glBlendFunc(GL_ONE, GL_ZERO); break;
    case 2: glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA); break;
    case 3: glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR); break;
    case 4: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
    default: break;
  }
}

void set_colour(uint32_t c) { glColor3ub((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

uint32_t read_u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// stop_below: give up once nothing later can come back up into the window (for untrusted texts
// drawn every frame; what the rest would have selected, a colour or a size, is then not applied).
void print_text(int x, int y, int wrap, const uint8_t* t, size_t len, uint32_t colour,
                bool stop_below = false) {
  if (len == 0 || t[0] == 0 || !cur_font || !cur_font->desc.base) return;

  const FontDesc d0 = cur_font->desc;
  FontDesc d = d0;
  float pen_x = float(x);
  int pen_y = y;
  int raise = 0;

  glPushAttrib(GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_TRANSFORM_BIT);
  begin2d();
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  set_blend_function();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, cur_font->tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  const float inv_w = 1.0f / float(cur_font->atlas_w);
  const float inv_h = 1.0f / float(cur_font->atlas_h);
  set_colour(colour);

  // The window in the pixel space begin2d set up.
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const float left = float(vp[0]), right = float(vp[0] + vp[2]);
  const float bottom = float(screen_h - vp[1]), top_edge = bottom - float(vp[3]);
  // The most a size escape can raise a line: 32767/256 of the line height at the call. With a
  // vertical scale of at least 0 lines only ever move down, so a line this far below the bottom
  // edge is gone for good.
  const bool lines_move_down = d0.yscale >= 0.0f;
  const double max_lift = (32767.0 * d0.base->height * d0.yscale + 128.0) / 256.0 + 1.0;

  glBegin(GL_QUADS);

  size_t i = 0;
  while (i < len && t[i] != 0) {
    // Advances cannot go back left, so glyphs past the right edge stay invisible until something
    // that moves the pen comes: skip straight to it.
    if (pen_x >= right && d.xscale >= 0.0f && 1.0f + d.boldness >= 0.0f) {
      while (i < len && !line_matters(t[i], wrap != 0)) i++;
      if (i == len || t[i] == 0) break;
    }
    if (stop_below && lines_move_down && double(pen_y) + raise - max_lift >= bottom) break;
    int c = t[i];
    if (c == 0x02) {
      if (len - i < 3) break;  // cut off by the end of the text
      c = t[i + 1] * 256 + t[i + 2];
      i += 3;
      // No such glyph (beyond the tables, or a symbol the font lacks, such as Greek in a font
      // without it): nothing to draw and no advance.
      if (c >= FONT_GLYPHS || (c >= 256 && d.base->glyph_w[c] == 0)) continue;
    } else if (c == 0x05) {
      if (len - i < 6) break;
      const uint8_t kind = t[i + 1];
      const uint8_t* p = t + i + 2;
      i += 6;
      if (kind == 0) {
        set_colour(read_u32(p));
      } else if (kind == 1) {
        pen_x = float(int32_t(read_u32(p)));
      } else if (kind == 2) {
        const float s = float(p[0] | p[1] << 8) / 256.0f;
        const int16_t raise_value = int16_t(uint16_t(p[2] | p[3] << 8));
        d.xscale = s * d0.xscale;
        d.yscale = s * d0.yscale;
        pen_y = clamp_int((long long)pen_y + raise);
        const int q = to_int(raise_value * double(d0.base->height) * d0.yscale + 128.0);
        raise = q / 256;
        pen_y = clamp_int((long long)pen_y - raise);
        glEnd();
        font_use_desc(d);
        glBegin(GL_QUADS);
      }
      continue;
    } else {
      i++;
    }

    if (c == '\n') {
      pen_x = float(x);
      pen_y = clamp_int((long long)pen_y + to_int(cur_font->height * double(d.yscale) + 0.5) + 1);
      continue;
    }

    const int base_w = d.base->glyph_w[c];
    const double advance = floor(base_w * d.xscale * (1.0f + d.boldness) + 0.5 +
                                 cur_cell_w * LETTER_SPACING);
    float next_x = float(pen_x + advance);
    if (wrap != 0 && c == ' ') {
      // The word after this space runs to the next white space; break before it if it would
      // pass the limit. The space itself is never drawn.
      const bool monotone = cur_font->desc.xscale >= 0.0f && 1.0f + cur_font->desc.boldness >= 0.0f;
      if (word_exceeds(t + i, len - i, double(wrap) - pen_x, monotone)) {
        next_x = float(x);
        pen_y = clamp_int((long long)pen_y + cur_font->height + 1);
      }
      pen_x = next_x;
      continue;
    }

    const Font* f = cur_font;
    const float s0 = f->glyph_x[c] * inv_w, s1 = s0 + f->glyph_w[c] * inv_w;
    const float t0 = f->glyph_y[c] * inv_h, t1 = t0 + f->height * inv_h;
    const float w = f->glyph_w[c] * d.xscale, h = f->height * d.yscale;
    const float top = float(pen_y);
    const bool outside =
        std::fmin(pen_x, pen_x + w) >= right || std::fmax(pen_x, pen_x + w) <= left ||
        std::fmin(top, top + h) >= bottom || std::fmax(top, top + h) <= top_edge;
    if (outside) {
      pen_x = next_x;
      continue;
    }
    glTexCoord2f(s0, t0);
    glVertex2f(pen_x, top);
    glTexCoord2f(s1, t0);
    glVertex2f(pen_x + w, top);
    glTexCoord2f(s1, t1);
    glVertex2f(pen_x + w, top + h);
    glTexCoord2f(s0, t1);
    glVertex2f(pen_x, top + h);
    pen_x = next_x;
  }

  glEnd();
  end2d();
  glPopAttrib();
}

const uint8_t* bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

}  // namespace

void font_print(int x, int y, int wrap, const char* text, uint32_t colour) {
  print_text(x, y, wrap, bytes(text ? text : "NULL?"), UNBOUNDED, colour);
}

void font_print_len(int x, int y, int wrap, const char* text, size_t len, uint32_t colour) {
  if (!text) {
    text = "NULL?";
    len = 5;
  }
  print_text(x, y, wrap, bytes(text), len, colour);
}

void font_print_window(int x, int y, int wrap, const char* text, size_t len, uint32_t colour) {
  if (!text) {
    text = "NULL?";
    len = 5;
  }
  print_text(x, y, wrap, bytes(text), len, colour, true);
}

int glyph_advance(int glyph) {
  if (!cur_font) return 5;
  const FontDesc& d = cur_font->desc;
  const int w = glyph >= 0 && glyph < FONT_GLYPHS && d.base ? d.base->glyph_w[glyph] : 0;
  const int spacing = int(cur_cell_w * LETTER_SPACING + 0.5);
  // Held well inside the int range so that sums of advances cannot overflow.
  const double scaled = w * d.xscale * (1.0f + d.boldness) + 0.5;
  const int glyph_part = scaled > 1e9 ? 1000000000 : scaled < -1e9 ? -1000000000 : to_int(scaled);
  return spacing + glyph_part;
}

int text_width(const char* text) { return text ? text_width_len(text, UNBOUNDED) : 0; }

int text_width_len(const char* text, size_t len) {
  if (!text) return 0;
  long long w = measure(bytes(text), len) - 1;
  return w < 0 ? 0 : clamp_int(w);
}

int text_width_n(char* text, int n) {
  if (!text) return 0;
  if (n < 0 || size_t(n) >= strlen(text)) return text_width(text);
  const char kept = text[n];
  text[n] = 0;
  const int w = text_width(text);
  text[n] = kept;
  return w;
}

int text_fit(const char* text, int p) { return text ? fit(bytes(text), UNBOUNDED, p) : 0; }

int text_fit_len(const char* text, size_t len, int p) { return text ? fit(bytes(text), len, p) : 0; }

void set_blend_mode(int mode) { blend_mode = mode; }

void font_print_boxed(int x, int y, const char* text, uint32_t text_colour, uint32_t box_colour) {
  if (!text) text = "NULL?";
  fillbox(x, y, text_width(text), cur_line_h, box_colour);
  font_print(x, y, 0, text, text_colour);
}
