// Font loading: walks the headerless glyph records, packs them row by row into one power-of-two
// RGBA atlas (a gap of a quarter cell between glyphs), uploads it with CPU-built mipmaps and
// sharpens the reduced digits, then registers the font in the FontStore. Records cut short by the
// end of the data keep their size and read nothing beyond it: their missing bytes stay transparent.
#include "text/font.h"
#include "text/font_internal.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "anim/palette.h"
#include "gfx/error_log.h"
#include "support/util.h"
#include "text/texture.h"

DynArray font_list = {};
Font** fonts = nullptr;
Font* cur_font = nullptr;
FontDesc cur_desc = {};
uint8_t cur_line_h = 0;
uint8_t cur_cell_w = 0;

namespace {

constexpr int LIMIT_CAP = 2048;
constexpr int TEXTURE_MESSAGE_SIZE = 160;
constexpr int FILE_MESSAGE_SIZE = 300;
constexpr int MAX_MIP_LEVELS = 32;

int max_texture_override = 0;

// One glyph record: its size and where its image starts; the image may run past the data's end.
struct Record {
  int w, h;
  uint32_t image;  // offset of the first image byte
};

// Reads the record at *pos and moves past it. A missing height byte counts as 0.
Record read_record(const uint8_t* data, uint32_t length, uint64_t* pos) {
  Record r;
  r.w = data[*pos];
  r.h = *pos + 1 < length ? data[*pos + 1] : 0;
  r.image = uint32_t(*pos + 2 < length ? *pos + 2 : length);
  *pos += 2 + uint64_t(r.w) * uint64_t(r.h);
  return r;
}

// trunc(v) kept to its low 8 bits, for values of any size.
uint8_t low_byte_of_trunc(float v) {
  if (!(std::fabs(v) < 9.2e18f)) return 0;
  return uint8_t(int64_t(v));
}

// Writes prefix + name + suffix into out, shortening the name (marked "...") so that the whole
// message fits.
void fit_message(char* out, size_t size, const char* prefix, const char* name, const char* suffix) {
  size_t fixed = strlen(prefix) + strlen(suffix);
  size_t room = size > fixed + 1 ? size - fixed - 1 : 0;
  size_t n = strlen(name);
  if (n <= room) {
    snprintf(out, size, "%s%s%s", prefix, name, suffix);
  } else {
    size_t keep = room > 3 ? room - 3 : 0;
    snprintf(out, size, "%s%.*s...%s", prefix, int(keep), name, suffix);
  }
}

int gl_max_texture_size() {
  GLint v = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
  return v;
}

}  // namespace

int font_max_texture_size() {
  return max_texture_override > 0 ? max_texture_override : gl_max_texture_size();
}

void font_set_max_texture_size_override(int limit) { max_texture_override = limit > 0 ? limit : 0; }

void font_list_init() {
  if (fonts) return;
  font_list = array_new(sizeof(Font*));
  array_set_alias(&font_list, &fonts);
}

FontLayout font_layout(const uint8_t* data, uint32_t length, int limit, Font* font) {
  // The cell height is that of the tallest glyph.
  int height = 1;
  uint64_t pos = 0;
  for (int i = 0; i < FONT_GLYPHS && pos < length; i++) height = imax(height, read_record(data, length, &pos).h);
  font->height = uint8_t(height);
  int gap = height / 4;

  int pen = 0, row = 0, needed = 1;
  pos = 0;
  for (int i = 0; i < FONT_GLYPHS; i++) {
    font->glyph_x[i] = pen;
    font->glyph_y[i] = row;
    if (pos < length) {
      Record r = read_record(data, length, &pos);
      font->glyph_w[i] = r.w;
      pen += r.w + gap;
      if (pen > limit) {
        font->glyph_x[i] = 0;
        row += height + gap;
        font->glyph_y[i] = row;
        pen = r.w + gap;
      }
      needed = imax(needed, font->glyph_x[i] + r.w);
    } else {
      font->glyph_w[i] = 0;
    }
  }
  FontLayout layout;
  layout.needed_w = needed;
  layout.last_row_y = row;
  layout.atlas_w = int32_t(next_pow2(uint32_t(needed)));
  layout.atlas_h = int32_t(next_pow2(uint32_t(row + height)));
  return layout;
}

uint8_t* font_atlas(const uint8_t* data, uint32_t length, const Font* font, int width, int height,
                    uint8_t as_alpha) {
  if (!data) length = 0;
  uint8_t* atlas = static_cast<uint8_t*>(calloc(size_t(width) * size_t(height), 4));
  if (!atlas) return nullptr;
  float red[256], green[256], blue[256];
  anim_palette(red, green, blue);
  uint64_t pos = 0;
  for (int i = 0; i < FONT_GLYPHS && pos < length; i++) {
    Record r = read_record(data, length, &pos);
    for (int j = 0; j < r.h; j++) {
      uint8_t* out = atlas + (size_t(font->glyph_y[i] + j) * size_t(width) + size_t(font->glyph_x[i])) * 4;
      uint64_t src = uint64_t(r.image) + uint64_t(j) * uint64_t(r.w);
      for (int x = 0; x < r.w; x++, out += 4) {
        if (src + uint64_t(x) >= length) break;  // the rest of a cut-off record stays transparent
        uint8_t v = data[src + uint64_t(x)];
        if (as_alpha) {
          // Transparent texels inside a glyph stay white too, so the reduced levels average
          // coverage against white rather than darkening the glyph's edges.
          out[0] = out[1] = out[2] = 255;
          out[3] = v == 255 ? 0 : uint8_t(85.1 * (red[v] + green[v] + blue[v]));
        } else if (v != 255) {
          out[0] = uint8_t(255.9 * red[v]);
          out[1] = uint8_t(255.9 * green[v]);
          out[2] = uint8_t(255.9 * blue[v]);
          out[3] = 255;
        }
      }
    }
  }
  return atlas;
}

void font_load_mem(const uint8_t* data, uint32_t length, const char* name, uint8_t as_alpha) {
  if (!data) length = 0;
  Font* font = static_cast<Font*>(calloc(1, sizeof(Font)));
  if (!font) {
    fputs("font_load_mem: out of memory\n", stderr);
    abort();
  }
  string_dup(&font->name, name ? name : "");

  int limit = font_max_texture_size();
  if (limit > LIMIT_CAP) limit = LIMIT_CAP;
  FontLayout layout = font_layout(data, length, limit, font);
  int width = layout.atlas_w, height = layout.atlas_h;
  if (uint32_t(height) > uint32_t(limit)) {
    char suffix[96];
    snprintf(suffix, sizeof suffix, "' required texture of size %dx%d but GL_MAX_TEXTURE_SIZE=%d",
             width, height, font_max_texture_size());
    char message[TEXTURE_MESSAGE_SIZE];
    fit_message(message, sizeof message, "Font '", font->name, suffix);
    gfx_fatal(message);
  }

  uint8_t* atlas = font_atlas(data, length, font, width, height, as_alpha);
  if (!atlas) {
    fputs("font_load_mem: out of memory\n", stderr);
    abort();
  }

  GLuint tex = 0;
  glGenTextures(1, &tex);
  font->tex = tex;
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  tex_upload_mipmapped(GL_TEXTURE_2D, 4, width, height, atlas);
  free(atlas);

  font_sharpen_mips(font);
  font->desc = FontDesc{font, 1.0f, 1.0f, 0.0f, 0.0f, FONT_GLYPHS, 0};
  font_metrics(font);
  font_list_init();
  array_push(&font_list, &font);
  if (!cur_font) font_select(font);
}

void font_sharpen_mips(Font* font) {
  uint8_t lift[256];
  for (int k = 0; k < 256; k++) lift[k] = uint8_t(255.9 * std::pow(k / 255.9, 0.4));

  glBindTexture(GL_TEXTURE_2D, font->tex);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  // Stops after the 1 x 1 level, and also at a level that does not exist (a texture whose upload
  // failed), which would otherwise never reach 1 x 1.
  for (int level = 1; level < MAX_MIP_LEVELS; level++) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    if (w < 1 || h < 1) break;
    size_t size = size_t(w) * size_t(h) * 4;
    uint8_t* texels = static_cast<uint8_t*>(malloc(size));
    if (!texels) break;
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    for (int c = 48; c < 384; c++) {
      if (c == 58) c = 256;  // the digits, then the extra symbols
      unsigned x0 = unsigned(font->glyph_x[c]) >> level;
      unsigned bytes = (unsigned(font->glyph_w[c]) >> level) * 4;
      unsigned r0 = unsigned(font->glyph_y[c]) >> level;
      unsigned r1 = unsigned(font->glyph_y[c] + font->height) >> level;
      // Cells of absent glyphs may sit past the level's edge; only bytes inside it are touched.
      auto cell_bytes = [&](unsigned r, unsigned* first, unsigned* count) {
        size_t start = (size_t(x0) + size_t(r) * size_t(w)) * 4;
        if (r >= unsigned(h) || start >= size) return false;
        *first = unsigned(start);
        *count = unsigned(start + bytes <= size ? bytes : size - start);
        return true;
      };
      float m = 0.001f;
      for (unsigned r = r0; r < r1; r++) {
        unsigned first, count;
        if (!cell_bytes(r, &first, &count)) continue;
        for (unsigned b = 0; b < count; b++) m = std::fmax(m, float(texels[first + b]));
      }
      for (unsigned r = r0; r < r1; r++) {
        unsigned first, count;
        if (!cell_bytes(r, &first, &count)) continue;
        for (unsigned b = 0; b < count; b++) {
          uint8_t& t = texels[first + b];
          t = lift[int(255.4f * float(t) / m)];
        }
      }
    }
    glTexImage2D(GL_TEXTURE_2D, level, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    free(texels);
    if (w == 1 && h == 1) break;
  }
  glPopClientAttrib();
}

void font_metrics(Font* font) {
  int widest = 0;
  for (int i = 0; i < FONT_GLYPHS; i++) widest = imax(widest, font->glyph_w[i]);
  font->max_w = uint8_t(widest);
  glBindTexture(GL_TEXTURE_2D, font->tex);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  font->atlas_w = w;
  font->atlas_h = h;
  font->cell_w = uint8_t(font->glyph_w[67] + 1);
}

void font_select(Font* font) {
  // A descriptor without a base has no glyphs to measure: it selects nothing.
  if (!font || font == cur_font || !font->desc.base) return;
  cur_font = font;
  cur_desc = font->desc;
  const Font* base = cur_desc.base;
  cur_line_h = low_byte_of_trunc(float(base->height) * cur_desc.yscale);
  cur_cell_w = low_byte_of_trunc(float(base->cell_w) * cur_desc.xscale);
}

uint8_t* file_read_all(const char* path, int32_t* length) {
  FILE* f = path ? fopen(path, "rb") : nullptr;
  if (!f) return nullptr;
  uint8_t* data = nullptr;
  long size = -1;
  if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  if (size >= 0 && size <= 0x7FFFFFFF) {
    *length = int32_t(size);
    rewind(f);
    if (size > 0) {
      data = static_cast<uint8_t*>(malloc(size_t(size)));
      if (data) {
        // A file that shrank meanwhile yields what could be read.
        size_t got = fread(data, 1, size_t(size), f);
        *length = int32_t(got);
        if (got == 0) {
          free(data);
          data = nullptr;
        }
      }
    }
  }
  fclose(f);
  return data;
}

void loadfont(const char* path, const char* name) {
  int32_t length = 0;
  uint8_t* data = file_read_all(path, &length);
  if (!data) {
    char message[FILE_MESSAGE_SIZE];
    fit_message(message, sizeof message, "loadfont: '", path ? path : "", "' not found");
    gfx_fatal(message);
  }
  font_load_mem(data, uint32_t(length), name, 0);
  free(data);
}
