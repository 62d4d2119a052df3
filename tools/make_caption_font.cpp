// Generates the embedded font "caption": renders DejaVu Sans at 20 pixels through FreeType with
// grey anti-aliasing into glyph records (width, height, palette indices; 16..39 grey ramp, 255
// transparent), trims and pads glyphs so that the font has its fixed size and atlas layout, checks
// every such number, and writes text/caption_font_data.cpp. With --preview it also draws a
// sample text, white on black, into a PNG. With --greek it also writes a font file (for loadfont)
// holding the same 256 records followed by records 256..308: the Greek letters of the mark-up.
//
//   make_caption_font FONT.ttf OUT.cpp [--preview OUT.png] [--greek OUT.font]
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int CELL_H = 20;         // the tallest glyph
constexpr int BASELINE = 15;       // rows 0..14 lie above the baseline
constexpr int PIXEL_SIZE = 20;     // em size handed to FreeType
constexpr int TRANSPARENT = 255;
constexpr int GREY0 = 16;          // palette: 16 black .. 39 white
constexpr int GREY_STEPS = 23;
constexpr size_t FONT_BYTES = 19378;
constexpr int GAP = CELL_H / 4;    // the loader's gap between glyphs in the atlas

struct Glyph {
  int w = 0, h = 0;
  std::vector<uint8_t> px;  // palette indices, row by row
  std::vector<int> cover;   // coverage 0..255 per pixel, for trimming decisions
  uint8_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

bool has_shape(int code) {
  return (code >= 33 && code <= 126) || code == 163 || code == 166 || code == 172;
}
bool is_letter_or_digit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_bracket(int c) { return c != 0 && strchr("()[]{}", c) != nullptr; }

[[noreturn]] void fail(const char* what) {
  fprintf(stderr, "make_caption_font: %s\n", what);
  exit(1);
}

uint8_t grey_index(int coverage) {
  int k = (coverage * GREY_STEPS + 127) / 255;
  return k == 0 ? TRANSPARENT : uint8_t(GREY0 + k);
}

// Renders one character into a glyph whose rows count from the top of the cell and whose columns
// span exactly the inked pixels.
Glyph render(FT_Face face, int code, FT_Int32 flags) {
  if (FT_Get_Char_Index(face, FT_ULong(code)) == 0) fail("a character is missing from the font");
  if (FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | flags)) fail("cannot render a glyph");
  const FT_Bitmap& b = face->glyph->bitmap;
  int top = BASELINE - face->glyph->bitmap_top;
  if (top < 0) top = 0;  // the grave accent rises above the capitals: lower it into the cell
  std::vector<int> cov(size_t(CELL_H) * b.width, 0);
  for (unsigned r = 0; r < b.rows; r++) {
    int y = top + int(r);
    if (y < 0 || y >= CELL_H) {
      for (unsigned x = 0; x < b.width; x++)
        if (grey_index(b.buffer[r * unsigned(b.pitch) + x]) != TRANSPARENT) fail("ink outside the cell");
      continue;
    }
    for (unsigned x = 0; x < b.width; x++) cov[size_t(y) * b.width + x] = b.buffer[r * unsigned(b.pitch) + x];
  }
  int x0 = int(b.width), x1 = -1, y1 = -1;
  for (int y = 0; y < CELL_H; y++)
    for (int x = 0; x < int(b.width); x++)
      if (grey_index(cov[size_t(y) * b.width + x]) != TRANSPARENT) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) fail("blank glyph");
  Glyph g;
  g.w = x1 - x0 + 1;
  g.h = y1 + 1;
  for (int y = 0; y < g.h; y++)
    for (int x = x0; x <= x1; x++) {
      int c = cov[size_t(y) * b.width + x];
      g.cover.push_back(c);
      g.px.push_back(grey_index(c));
    }
  return g;
}

Glyph blank(int w, int h) {
  Glyph g;
  g.w = w;
  g.h = h;
  g.px.assign(size_t(w) * h, TRANSPARENT);
  g.cover.assign(size_t(w) * h, 0);
  return g;
}

// The 3 x 5 box shown for codes without a shape: bright red frame, dark red bar.
Glyph marker(int code) {
  Glyph g = blank(3, 5);
  for (int y = 0; y < 5; y++)
    for (int x = 0; x < 3; x++) g.px[size_t(y) * 3 + x] = (x == 1 && y > 0 && y < 4) ? 4 : 12;
  if (code == 127) g.px[2 * 3 + 1] = 11;
  return g;
}

void pad_rows(Glyph& g, int h) {
  while (g.h < h) {
    g.px.insert(g.px.end(), size_t(g.w), TRANSPARENT);
    g.cover.insert(g.cover.end(), size_t(g.w), 0);
    g.h++;
  }
}

void insert_column(Glyph& g, int at) {
  std::vector<uint8_t> px;
  std::vector<int> cov;
  for (int y = 0; y < g.h; y++)
    for (int x = 0; x <= g.w; x++) {
      if (x == at) {
        px.push_back(TRANSPARENT);
        cov.push_back(0);
      }
      if (x < g.w) {
        px.push_back(g.px[size_t(y) * g.w + x]);
        cov.push_back(g.cover[size_t(y) * g.w + x]);
      }
    }
  g.w++;
  g.px.swap(px);
  g.cover.swap(cov);
}

void erase_column(Glyph& g, int at) {
  std::vector<uint8_t> px;
  std::vector<int> cov;
  for (int y = 0; y < g.h; y++)
    for (int x = 0; x < g.w; x++)
      if (x != at) {
        px.push_back(g.px[size_t(y) * g.w + x]);
        cov.push_back(g.cover[size_t(y) * g.w + x]);
      }
  g.w--;
  g.px.swap(px);
  g.cover.swap(cov);
}

int column_ink(const Glyph& g, int x) {
  int sum = 0;
  for (int y = 0; y < g.h; y++) sum += g.cover[size_t(y) * g.w + x];
  return sum;
}

// Narrows the glyphs of [first, last] by `count` columns in all, each time dropping the faintest
// edge column of any glyph in the range, so that the least ink is lost.
void trim_range(std::vector<Glyph>& glyphs, int first, int last, int count) {
  for (int n = 0; n < count; n++) {
    int best = -1, best_col = 0, best_ink = 1 << 30;
    for (int c = first; c <= last; c++) {
      Glyph& g = glyphs[size_t(c)];
      if (!has_shape(c) || g.w < 4 || c == 'A' || c == 'C') continue;
      for (int col : {0, g.w - 1}) {
        int ink = column_ink(g, col);
        if (ink < best_ink) {
          best_ink = ink;
          best = c;
          best_col = col;
        }
      }
    }
    if (best < 0) fail("nothing left to trim");
    erase_column(glyphs[size_t(best)], best_col);
  }
}

// Pen positions of the loader's atlas layout for a texture size limit.
struct Layout {
  std::vector<int> x, y;
  int needed_w = 1, rows_y = 0;
};

Layout layout(const std::vector<Glyph>& glyphs, int limit) {
  Layout l;
  int pen = 0, row = 0;
  for (const Glyph& g : glyphs) {
    int gx = pen, gy = row;
    pen += g.w + GAP;
    if (pen > limit) {
      gx = 0;
      row += CELL_H + GAP;
      gy = row;
      pen = g.w + GAP;
    }
    l.x.push_back(gx);
    l.y.push_back(gy);
    l.needed_w = std::max(l.needed_w, gx + g.w);
  }
  l.rows_y = row;
  return l;
}

unsigned next_pow2(unsigned v) {
  unsigned p = 1;
  while (p < v) p <<= 1;
  return p;
}

void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

size_t total_bytes(const std::vector<Glyph>& glyphs) {
  size_t n = 0;
  for (const Glyph& g : glyphs) n += 2 + size_t(g.w) * g.h;
  return n;
}

// Every fact the player and its tests rely on.
void verify(const std::vector<Glyph>& glyphs) {
  check(glyphs.size() == 256, "not 256 records");
  check(total_bytes(glyphs) == FONT_BYTES, "wrong size");
  int max_w = 0, max_h = 0;
  for (const Glyph& g : glyphs) {
    max_w = std::max(max_w, g.w);
    max_h = std::max(max_h, g.h);
  }
  check(max_w == 20 && max_h == CELL_H, "widest or tallest glyph");
  check(glyphs['C'].w == 13 && glyphs['A'].w == 14, "widths of A and C");
  check(glyphs[' '].w == 2 && glyphs[' '].h == 1 && glyphs['\t'].w == 16 && glyphs['\t'].h == 1,
        "space and tab");
  const Glyph& hy = glyphs['-'];
  check(hy.h == 11, "hyphen height");
  for (int y = 0; y < hy.h; y++) {
    bool inked = false;
    for (int x = 0; x < hy.w; x++) inked |= hy.at(x, y) != TRANSPARENT;
    check(inked == (y >= 8), "hyphen rows");
  }
  int tall17 = 0, letters = 0;
  for (int c = 0; c < 256; c++) {
    const Glyph& g = glyphs[size_t(c)];
    if (is_letter_or_digit(c)) {
      letters++;
      tall17 += g.h == 17;
    }
    if (c != 0 && strchr("gjpqy()[]{}", c)) check(g.h == 19 || g.h == 20, "descender height");
    for (uint8_t v : g.px) {
      if (has_shape(c)) check(v == TRANSPARENT || (v >= 16 && v <= 39), "shape colours");
      else if (c != ' ' && c != '\t') check(v == 12 || v == 4 || (c == 127 && v == 11), "marker colours");
    }
  }
  check(tall17 * 2 > letters, "letters not mostly 17 rows");

  Layout big = layout(glyphs, 2048);
  check(big.rows_y == 25 && big.needed_w == 2042, "layout at 2048");
  check(next_pow2(unsigned(big.needed_w)) == 2048 && next_pow2(unsigned(big.rows_y + CELL_H)) == 64,
        "atlas at 2048");
  check(big.x['A'] == 732 && big.y['A'] == 0, "A at 2048");
  Layout mid = layout(glyphs, 512);
  check(next_pow2(unsigned(mid.needed_w)) == 512 && next_pow2(unsigned(mid.rows_y + CELL_H)) == 256,
        "atlas at 512");
  check(mid.x['A'] == 231 && mid.y['A'] == 25, "A at 512");
  Layout small = layout(glyphs, 256);
  check(next_pow2(unsigned(small.needed_w)) == 256 && next_pow2(unsigned(small.rows_y + CELL_H)) == 512,
        "atlas at 256");
}

std::vector<Glyph> build(FT_Face face) {
  std::vector<Glyph> glyphs(256);
  for (int c = 0; c < 256; c++) {
    if (c == ' ') glyphs[size_t(c)] = blank(2, 1);
    else if (c == '\t') glyphs[size_t(c)] = blank(16, 1);
    // The hinted hyphen is a two-row bar; unhinted it spreads over the three rows 8..10.
    else if (c == '-') glyphs[size_t(c)] = render(face, c, FT_LOAD_NO_HINTING);
    else if (has_shape(c)) glyphs[size_t(c)] = render(face, c, FT_LOAD_DEFAULT);
    else glyphs[size_t(c)] = marker(c);
  }
  // Transparent rows under the baseline: letters and digits are made 17 rows tall, those with a
  // descender and the brackets at least 19.
  for (int c = 0; c < 256; c++) {
    Glyph& g = glyphs[size_t(c)];
    if (is_letter_or_digit(c)) pad_rows(g, g.h > 17 ? 19 : 17);
    if (is_bracket(c)) pad_rows(g, 19);
  }
  // C is one column wider than its ink, on its open side.
  insert_column(glyphs['C'], glyphs['C'].w);

  // Widths: the first atlas row of a 512-pixel texture must end after glyph 49 at x = 501 (so that
  // A opens the second row at 231), and A must start at 732 in a single row.
  auto span = [&](int first, int last) {
    int sum = 0;
    for (int c = first; c <= last; c++) sum += glyphs[size_t(c)].w + GAP;
    return sum;
  };
  int excess = span(0, 49) - 501;
  if (excess < 0) fail("glyphs 0..49 too narrow");
  trim_range(glyphs, 33, 49, excess);
  excess = span(0, 64) - 732;
  if (excess < 0) fail("glyphs 0..64 too narrow");
  trim_range(glyphs, 50, 64, excess);
  // The first row of a 2048-pixel texture ends with glyph 168 at x = 2042.
  excess = span(0, 168) - 2047;
  if (excess < 0) fail("glyphs 0..168 too narrow");
  trim_range(glyphs, 66, 126, excess);

  // Size: the remaining bytes go into transparent rows under the shorter signs, preferably up to
  // the letters' 17 rows, then further down the cell. Each extra row of glyph c costs its width;
  // the rows are chosen in that order of preference among the combinations that fill the size
  // exactly (a subset sum over the candidate rows).
  std::vector<int> items;  // glyph code of each candidate row, in order of preference
  for (int limit_pass = 0; limit_pass < 2; limit_pass++)
    for (int c = 33; c < 256; c++) {
      const Glyph& g = glyphs[size_t(c)];
      if (!has_shape(c) || is_letter_or_digit(c) || c == '-' || is_bracket(c)) continue;
      int from = limit_pass == 0 ? g.h : std::max(g.h, 17);
      int to = limit_pass == 0 ? std::max(g.h, 17) : CELL_H;
      for (int h = from; h < to; h++) items.push_back(c);
    }
  size_t have = total_bytes(glyphs);
  if (have > FONT_BYTES) fail("glyphs too large");
  size_t need = FONT_BYTES - have;
  // reachable[i][r]: r bytes can be made from items i.. .
  std::vector<std::vector<char>> reachable(items.size() + 1, std::vector<char>(need + 1, 0));
  reachable[items.size()][0] = 1;
  for (size_t i = items.size(); i-- > 0;) {
    size_t w = size_t(glyphs[size_t(items[i])].w);
    for (size_t r = 0; r <= need; r++)
      reachable[i][r] = reachable[i + 1][r] || (r >= w && reachable[i + 1][r - w]);
  }
  if (!reachable[0][need]) fail("cannot fill the font to its size");
  for (size_t i = 0; i < items.size() && need > 0; i++) {
    Glyph& g = glyphs[size_t(items[i])];
    size_t w = size_t(g.w);
    if (need >= w && reachable[i + 1][need - w]) {
      pad_rows(g, g.h + 1);
      need -= w;
    }
  }
  return glyphs;
}

// Glyphs 256..308 in the mark-up's order: the 24 small letters alpha..omega, the 24 capitals,
// then the variant forms vardelta (curly d), varzeta (stigma), vartheta, varphi (closed phi) and
// varomega (pi symbol).
const unsigned GREEK_CODES[] = {
    0x3B1, 0x3B2, 0x3B3, 0x3B4, 0x3B5, 0x3B6, 0x3B7, 0x3B8, 0x3B9, 0x3BA, 0x3BB, 0x3BC,
    0x3BD, 0x3BE, 0x3BF, 0x3C0, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3C6, 0x3C7, 0x3C8, 0x3C9,
    0x391, 0x392, 0x393, 0x394, 0x395, 0x396, 0x397, 0x398, 0x399, 0x39A, 0x39B, 0x39C,
    0x39D, 0x39E, 0x39F, 0x3A0, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3A6, 0x3A7, 0x3A8, 0x3A9,
    0x2202, 0x3DB, 0x3D1, 0x3D5, 0x3D6};
constexpr size_t GREEK_COUNT = sizeof GREEK_CODES / sizeof GREEK_CODES[0];

std::vector<Glyph> build_greek(FT_Face face) {
  std::vector<Glyph> greek;
  for (unsigned code : GREEK_CODES) {
    Glyph g = render(face, int(code), FT_LOAD_DEFAULT);
    check(g.w <= 255 && g.h <= CELL_H, "Greek glyph size");
    greek.push_back(g);
  }
  check(GREEK_COUNT == 53, "not 53 Greek records");
  return greek;
}

std::vector<uint8_t> records(const std::vector<Glyph>& glyphs) {
  std::vector<uint8_t> bytes;
  for (const Glyph& g : glyphs) {
    bytes.push_back(uint8_t(g.w));
    bytes.push_back(uint8_t(g.h));
    bytes.insert(bytes.end(), g.px.begin(), g.px.end());
  }
  return bytes;
}

std::string format_source(const std::vector<Glyph>& glyphs) {
  const std::vector<uint8_t> bytes = records(glyphs);
  std::string s =
      "// The embedded font \"caption\": 256 glyph records (width, height, palette indices) rendered\n"
      "// from DejaVu Sans at 20 pixels (Bitstream Vera licence, see README.md). Generated by\n"
      "// tools/make_caption_font.cpp; do not edit by hand.\n"
      "#include \"text/caption_font_data.h\"\n\n"
      "const unsigned char caption_font_data[CAPTION_FONT_SIZE] = {\n";
  char buf[8];
  for (size_t i = 0; i < bytes.size(); i++) {
    if (i % 16 == 0) s += "   ";
    snprintf(buf, sizeof buf, " %u,", bytes[i]);
    s += buf;
    if (i % 16 == 15 || i + 1 == bytes.size()) s += "\n";
  }
  s += "};\n";
  return s;
}

// Sample text set as the player sets it: each glyph advances floor(w + 0.5 + 14 * 0.13).
void write_preview(const std::vector<Glyph>& glyphs, const char* path) {
  const char* lines[] = {
      "The quick brown fox jumps over the lazy dog. 0123456789",
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG! \xA3 \xA6 \xAC",
      "Frame 1234 of 5678 - (caption) [test] {x} @home #1 $5 50% a&b",
      "\"Hello,\" she said; 'yes': x+y=z <a> /b\\ |c| ^_` ~? *",
      "Control codes show markers: \x01\x02\x7F\x80\xE9.",
  };
  const int scale = 2, pad = 10, line_h = 21;
  int width = 760, height = pad * 2 + line_h * int(sizeof lines / sizeof lines[0]);
  std::vector<uint8_t> rgb(size_t(width) * height * 3, 0);
  float red[256], green[256], blue[256];
  for (int i = 0; i < 256; i++) {
    red[i] = green[i] = blue[i] = 0.0f;
    if (i >= 16 && i <= 39) red[i] = green[i] = blue[i] = float(i - 16) / 23.0f;
  }
  red[12] = 1.0f;
  red[4] = 0.5f;
  green[11] = blue[11] = 1.0f;
  for (size_t l = 0; l < sizeof lines / sizeof lines[0]; l++) {
    int pen = pad, top = pad + int(l) * line_h;
    for (const char* p = lines[l]; *p; p++) {
      const Glyph& g = glyphs[uint8_t(*p)];
      for (int y = 0; y < g.h; y++)
        for (int x = 0; x < g.w; x++) {
          uint8_t v = g.at(x, y);
          int px = pen + x, py = top + y;
          if (v == TRANSPARENT || px >= width || py >= height) continue;
          uint8_t* o = &rgb[(size_t(py) * width + px) * 3];
          o[0] = uint8_t(255.9f * red[v]);
          o[1] = uint8_t(255.9f * green[v]);
          o[2] = uint8_t(255.9f * blue[v]);
        }
      pen += int(g.w + 0.5 + 14 * 0.13f);
    }
  }
  std::vector<uint8_t> big(rgb.size() * scale * scale);
  for (int y = 0; y < height * scale; y++)
    for (int x = 0; x < width * scale; x++)
      for (int k = 0; k < 3; k++)
        big[(size_t(y) * width * scale + x) * 3 + k] = rgb[(size_t(y / scale) * width + x / scale) * 3 + k];
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width * scale);
  image.height = png_uint_32(height * scale);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path, 0, big.data(), 0, nullptr)) fail("cannot write the preview");
}

}  // namespace

void write_file(const char* path, const void* data, size_t size) {
  FILE* out = fopen(path, "wb");
  if (!out || fwrite(data, 1, size, out) != size || fclose(out) != 0) fail("cannot write the output");
}

int main(int argc, char** argv) {
  const char* preview = nullptr;
  const char* greek_out = nullptr;
  bool usage = argc < 3 || (argc - 3) % 2 != 0;
  for (int i = 3; !usage && i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--preview") == 0) preview = argv[i + 1];
    else if (strcmp(argv[i], "--greek") == 0) greek_out = argv[i + 1];
    else usage = true;
  }
  if (usage) {
    fprintf(stderr, "usage: make_caption_font FONT.ttf OUT.cpp [--preview OUT.png] [--greek OUT.font]\n");
    return 2;
  }
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) || FT_New_Face(lib, argv[1], 0, &face)) fail("cannot open the font");
  if (FT_Set_Pixel_Sizes(face, 0, PIXEL_SIZE)) fail("cannot set the size");
  std::vector<Glyph> glyphs = build(face);
  if (getenv("CAPTION_FONT_DEBUG"))
    for (int c = 33; c < 256; c++)
      if (has_shape(c)) fprintf(stderr, "%d:%dx%d%s", c, glyphs[size_t(c)].w, glyphs[size_t(c)].h, c % 10 ? " " : "\n");
  verify(glyphs);
  std::string source = format_source(glyphs);
  write_file(argv[2], source.data(), source.size());
  if (preview) write_preview(glyphs, preview);
  if (greek_out) {
    std::vector<Glyph> all = glyphs;
    for (Glyph& g : build_greek(face)) all.push_back(g);
    const std::vector<uint8_t> bytes = records(all);
    write_file(greek_out, bytes.data(), bytes.size());
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);  // the glyphs are copied out; the leak check at exit stays quiet
  return 0;
}
