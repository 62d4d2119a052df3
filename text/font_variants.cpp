// Font variants and styles. A variant is a Font record that shares its loaded font's atlas and
// glyph tables and differs only in its descriptor (scales, boldness, slant), which text drawing
// applies. Variants are found by score among the registered fonts or derived on demand, and stay
// registered so that repeated requests cost a parse and a comparison.
#include "text/font_variants.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/util.h"

namespace {

const double PI = 3.14159265358979323846;

uint32_t font_count() { return fonts ? font_list.count : 0; }

// a (zero-terminated) equals the n bytes at b, ignoring ASCII case.
bool name_equal_n(const char* a, const char* b, size_t n) {
  if (!a) return false;
  for (size_t i = 0; i < n; i++) {
    if (a[i] == 0 || char_lower(a[i]) != char_lower(b[i])) return false;
  }
  return a[n] == 0;
}

bool name_equal(const char* a, const char* b) { return b && name_equal_n(a, b, strlen(b)); }

size_t name_part_length(const char* spec) {
  const char* colon = strchr(spec, ':');
  return colon ? size_t(colon - spec) : strlen(spec);
}

Font* find_font(const char* name, size_t n) {
  for (uint32_t i = 0; i < font_count(); i++) {
    if (name_equal_n(fonts[i]->name, name, n)) return fonts[i];
  }
  return nullptr;
}

enum class Unit { none, px, degree, percent };

// Applies one style word ("bold", "size=24px", ...) to the descriptor being built.
void apply_style_word(FontDesc* d, const char* word, size_t n) {
  std::string seg(word, n);
  size_t eq = seg.find('=');
  std::string key = seg.substr(0, eq);
  for (char& ch : key) ch = char_lower(ch);

  if (key == "normal") {
    d->xscale = d->yscale = 1.0f;
    d->skew = d->boldness = 0.0f;
    d->own_glyphs = d->reserved = 0;
  } else if (key == "big") {
    d->xscale = float(d->xscale * 1.5);
    d->yscale = float(d->yscale * 1.5);
  } else if (key == "small") {
    d->xscale = float(d->xscale / 1.5);
    d->yscale = float(d->yscale / 1.5);
  } else if (key == "demibold") {
    d->boldness = float(d->boldness + 0.03);
  } else if (key == "bold") {
    d->boldness = float(d->boldness + 0.05);
    d->xscale = float(d->xscale * 1.1);
  } else if (key == "black") {
    d->boldness = float(d->boldness + 0.08);
    d->xscale = float(d->xscale * 1.2);
  } else if (key == "italic") {
    d->skew = float(d->skew + 0.4);
  }
  // The remaining words take a value; without "=" there is none to read, and the word is ignored
  // (reading it as 0 would collapse the scales to nothing).
  if (eq == std::string::npos) return;

  std::string value = seg.substr(eq + 1);
  double v = atof(value.c_str());
  Unit unit = Unit::none;
  if (value.find("px") != std::string::npos) {
    unit = Unit::px;
  } else if (value.find('\xB0') != std::string::npos) {
    unit = Unit::degree;
  } else if (value.find('%') != std::string::npos) {
    unit = Unit::percent;
    v /= 100.0;
  }
  // A font without rows or glyphs would turn pixel values into infinities.
  double h = d->base && d->base->height ? d->base->height : 1;
  double m = d->base && d->base->max_w ? d->base->max_w : 1;

  if (key == "size" || key == "scale") {
    if (unit == Unit::px) {
      d->xscale = d->yscale = float(v / h);
    } else {
      d->xscale = float(d->xscale * v);
      d->yscale = float(d->yscale * v);
    }
  } else if (key == "width") {
    d->xscale = float(unit == Unit::px ? v / h : d->xscale * v);
  } else if (key == "height") {
    d->yscale = float(unit == Unit::px ? v / h : d->yscale * v);
  } else if (key == "boldness") {
    d->boldness = float(d->boldness + (unit == Unit::px ? v / m : v));
  } else if (key == "skew" || key == "angle") {
    if (unit == Unit::degree) {
      d->skew = float(tan(v * PI / 180.0));
    } else {
      d->skew = float(d->skew + (unit == Unit::px ? v / h : v));
    }
  }
}

// name = name + suffix with "%g" of the value.
void append_suffix(char** name, const char* key, double value) {
  int n = snprintf(nullptr, 0, "%s:%s=%g", *name, key, value);
  char* grown = static_cast<char*>(malloc(size_t(n) + 1));
  snprintf(grown, size_t(n) + 1, "%s:%s=%g", *name, key, value);
  free(*name);
  *name = grown;
}

// Removes one font record, its texture if no other font uses it, and its list entry.
void delete_record(Font* f) {
  bool shared = false;
  for (uint32_t i = 0; i < font_count(); i++) {
    if (fonts[i] != f && fonts[i]->tex == f->tex) shared = true;
  }
  if (!shared) glDeleteTextures(1, &f->tex);
  array_remove_value(&font_list, &f);
  free(f->name);
  free(f);
}

// Dependants first, so that no font ever outlives the base whose glyphs it draws with. Bases are
// always fonts registered earlier (or the font itself), so this cannot cycle.
void delete_with_dependants(Font* f, bool* current_deleted) {
  for (;;) {
    Font* dependant = nullptr;
    for (uint32_t i = 0; i < font_count() && !dependant; i++) {
      if (fonts[i] != f && fonts[i]->desc.base == f) dependant = fonts[i];
    }
    if (!dependant) break;
    delete_with_dependants(dependant, current_deleted);
  }
  if (f == cur_font) *current_deleted = true;
  if (f == cur_desc.base) cur_desc.base = nullptr;  // never compare against a freed pointer
  delete_record(f);
}

}  // namespace

int desc_equal(FontDesc a, FontDesc b) {
  return a.base == b.base && a.xscale == b.xscale && a.yscale == b.yscale && a.skew == b.skew &&
         a.boldness == b.boldness && a.own_glyphs == b.own_glyphs && a.reserved == b.reserved;
}

FontDesc font_parse_spec(const char* spec) {
  if (!spec) spec = "";
  FontDesc d = {nullptr, 1.0f, 1.0f, 0.0f, 0.0f, 0, 0};
  size_t name_len = name_part_length(spec);
  if (Font* named = find_font(spec, name_len)) {
    d = named->desc;
  } else if (cur_font) {
    d.base = cur_font->desc.base;
  } else if (font_count() > 0) {
    d.base = fonts[rand_int(int(font_count()))]->desc.base;
  } else {
    d.base = font_placeholder(spec);
  }
  for (const char* p = spec + name_len; *p == ':';) {
    const char* word = p + 1;
    size_t n = strcspn(word, ":");
    apply_style_word(&d, word, n);
    p = word + n;
  }
  return d;
}

float font_score(FontDesc r, FontDesc c) {
  if (r.base != c.base) return -1000.0f;
  double m = r.base ? r.base->max_w : 0, h = r.base ? r.base->height : 0;
  const double step = log(1.05);
  double tw = fabs(log(double(r.xscale) / c.xscale)) / step;
  double tw_px = 2.0 * fabs(m * r.xscale - m * c.xscale);
  if (!(tw < tw_px)) tw = tw_px;
  double th = fabs(log(double(r.yscale) / c.yscale)) / step;
  double th_px = 2.0 * fabs(h * r.yscale - h * c.yscale);
  if (!(th < th_px)) th = th_px;
  return float(1.0 - (fabs(double(r.boldness) - c.boldness) / 0.02 + (th + tw) / 2.0 +
                      fabs(double(r.skew) - c.skew) / 0.05));
}

Font* font_variant(FontDesc r) {
  Font* best = nullptr;
  float best_score = 0.0f;
  Font* source = r.base;
  float source_score = -1e20f;
  for (uint32_t i = font_count(); i-- > 0;) {
    Font* f = fonts[i];
    float s = font_score(r, f->desc);
    if (s > best_score) {
      best = f;
      best_score = s;
    }
    if (s > source_score && f->desc.own_glyphs == FONT_GLYPHS) {
      source = f;
      source_score = s;
    }
  }
  if (best) return best;
  if (!source || !source->desc.base) return nullptr;

  Font* n = font_clone(source->desc.base);
  n->desc = r;
  n->desc.own_glyphs = 0;
  n->desc.reserved = 0;
  if (r.xscale != 1.0f) append_suffix(&n->name, "width", r.xscale);
  if (r.yscale != 1.0f) append_suffix(&n->name, "height", r.yscale);
  if (r.boldness != 0.0f) append_suffix(&n->name, "boldness", r.boldness);
  if (r.skew != 0.0f) append_suffix(&n->name, "skew", r.skew);
  font_metrics(n);
  return n;
}

void font_use_desc(FontDesc d) {
  if (desc_equal(d, cur_desc)) return;
  Font* f = font_variant(d);
  if (!f) return;
  font_select(f);
  cur_desc = d;
}

void font_use(const char* spec) {
  if (cur_font && name_equal(cur_font->name, spec)) return;
  font_use_desc(font_parse_spec(spec));
}

Font* font_get(const char* spec) { return font_variant(font_parse_spec(spec)); }

Font* font_clone(Font* f) {
  Font* n = static_cast<Font*>(malloc(sizeof(Font)));
  memcpy(n, f, sizeof(Font));
  n->name = nullptr;
  string_dup(&n->name, f->name ? f->name : "");
  font_list_init();
  array_push(&font_list, &n);
  return n;
}

int font_rename(Font* f, const char* name) {
  // Copy before freeing: the new name may be the font's own.
  char* copy = nullptr;
  int len = int(string_dup(&copy, name));
  free(f->name);
  f->name = copy;
  return len;
}

int font_get_and_name(const char* spec, const char* name) {
  Font* f = font_get(spec);
  return f ? font_rename(f, name) : 0;
}

int font_get_copy(const char* spec, const char* name) {
  Font* f = font_get(spec);
  return f ? font_rename(font_clone(f), name) : 0;
}

int font_exists(const char* spec) {
  if (!spec) return 0;
  return find_font(spec, name_part_length(spec)) ? 1 : 0;
}

void font_delete(Font* f) {
  if (!f) return;
  bool current_deleted = false;
  delete_with_dependants(f, &current_deleted);
  if (current_deleted) {
    if (font_count() > 0) {
      font_select(fonts[rand_int(int(font_count()))]);
    } else {
      cur_font = nullptr;
      cur_desc = FontDesc{nullptr, 1.0f, 1.0f, 0.0f, 0.0f, 0, 0};
    }
  } else if (!cur_desc.base && cur_font) {
    cur_desc = cur_font->desc;
  }
}

void font_delete_family(Font* f) {
  // A deletion may take several entries with it, so re-check the index against the count.
  for (uint32_t i = font_count(); i-- > 0;) {
    if (i < font_count() && fonts[i]->desc.base == f) font_delete(fonts[i]);
  }
}

void font_delete_spec(const char* spec) {
  if (font_exists(spec)) font_delete(font_get(spec));
}

void font_delete_family_spec(const char* spec) {
  if (font_exists(spec)) font_delete_family(font_get(spec));
}

Font* font_placeholder(const char* name) {
  font_list_init();
  for (uint32_t i = font_count(); i-- > 0;) {
    if (i < font_count() && name_equal(fonts[i]->name, name)) font_delete(fonts[i]);
  }
  Font* f = static_cast<Font*>(calloc(1, sizeof(Font)));
  string_dup(&f->name, name);
  array_push(&font_list, &f);

  glGenTextures(1, &f->tex);
  glBindTexture(GL_TEXTURE_2D, f->tex);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const uint8_t texel[4] = {1, 0, 0, 0};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
  f->atlas_w = 1;
  for (int i = 0; i < FONT_GLYPHS; i++) {
    f->glyph_x[i] = 0;
    f->glyph_y[i] = 0;
    f->glyph_w[i] = 1;
  }
  f->height = 1;
  f->desc = FontDesc{f, 1.0f, 1.0f, 0.0f, 0.0f, FONT_GLYPHS, 0};
  font_metrics(f);
  return f;
}
