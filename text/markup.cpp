// Text mark-up conversions. Each one measures the text escape by escape inside the caller's
// capacity, builds its result in a temporary string and copies it back only when it fits, so a
// refusal leaves the buffer untouched and no input can write past the buffer. A braced script
// group is converted into its own string, which grows as far as its scripts need.
#include "text/markup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "support/util.h"

namespace {

const uint8_t GLYPH_ESCAPE = 0x02;
const uint8_t PARAM_ESCAPE = 0x05;
const uint8_t PARAM_COLOUR = 0, PARAM_TAB = 1, PARAM_SCRIPT = 2;

// Nesting is bounded so that the recursion into braced groups stays well inside the stack; a
// deeper group is kept as literal text, as if the depth had run out there.
const int MAX_DEPTH = 200;

// Names in glyph order: small letters are 256 + index, capitals 280 + index.
const char* const GREEK_NAMES[24] = {
    "alpha", "beta", "gamma", "delta", "epsilon", "zeta",    "eta", "theta",
    "iota",  "kappa", "lambda", "mu",  "nu",      "xi",      "omicron", "pi",
    "rho",   "sigma", "tau",   "upsilon", "phi",  "chi",     "psi", "omega"};
const int GREEK_SMALL = 256, GREEK_CAPITAL = 280;

// Variant forms, tried in this order; one glyph each whatever the case.
const char* const VARIANT_NAMES[5] = {"varomega", "varphi", "vartheta", "varzeta", "vardelta"};
const int VARIANT_GLYPHS[5] = {308, 307, 306, 305, 304};

size_t item_size(uint8_t c) { return c == GLYPH_ESCAPE ? 3 : c == PARAM_ESCAPE ? 6 : 1; }

uint8_t byte_at(const std::string& s, size_t i) { return uint8_t(s[i]); }

// The text's length, stepping over escapes whole; false when its terminator does not lie within
// the first capacity bytes (no terminator, or an escape that runs past the buffer).
bool bounded_text(const char* text, size_t capacity, std::string* out) {
  if (!text) return false;
  size_t i = 0;
  while (i < capacity) {
    const uint8_t c = uint8_t(text[i]);
    if (c == 0) {
      out->assign(text, i);
      return true;
    }
    i += item_size(c);
  }
  return false;
}

bool store(char* text, size_t capacity, const std::string& result) {
  if (result.size() >= capacity) return false;
  memcpy(text, result.data(), result.size());
  text[result.size()] = 0;
  return true;
}

void put_u16(std::string& out, uint16_t v) {
  out += char(v & 0xFF);
  out += char(v >> 8);
}

void put_param(std::string& out, uint8_t kind, uint32_t v) {
  out += char(PARAM_ESCAPE);
  out += char(kind);
  put_u16(out, uint16_t(v & 0xFFFF));
  put_u16(out, uint16_t(v >> 16));
}

void put_script(std::string& out, int16_t size, int16_t raise) {
  put_param(out, PARAM_SCRIPT, uint32_t(uint16_t(size)) | uint32_t(uint16_t(raise)) << 16);
}

bool name_at(const std::string& s, size_t p, const char* name) {
  const size_t n = strlen(name);
  if (s.size() - p < n) return false;
  for (size_t k = 0; k < n; k++)
    if (char_lower(s[p + k]) != name[k]) return false;
  return true;
}

std::string greek(const std::string& in) {
  std::string out;
  out.reserve(in.size() + in.size() / 2 + 1);
  for (size_t i = 0; i < in.size();) {
    const uint8_t c = byte_at(in, i);
    if (c == GLYPH_ESCAPE || c == PARAM_ESCAPE) {
      out.append(in, i, item_size(c));
      i += item_size(c);
      continue;
    }
    int glyph = -1;
    size_t length = 0;
    for (int k = 0; k < 24 && glyph < 0; k++) {
      if (name_at(in, i, GREEK_NAMES[k])) {
        glyph = (c < 'a' ? GREEK_CAPITAL : GREEK_SMALL) + k;
        length = strlen(GREEK_NAMES[k]);
      }
    }
    for (int k = 0; k < 5 && glyph < 0; k++) {
      if (name_at(in, i, VARIANT_NAMES[k])) {
        glyph = VARIANT_GLYPHS[k];
        length = strlen(VARIANT_NAMES[k]);
      }
    }
    if (glyph < 0) {
      out += char(c);
      i++;
      continue;
    }
    out += char(GLYPH_ESCAPE);
    out += char(glyph >> 8);
    out += char(glyph & 0xFF);
    i += length;
  }
  return out;
}

bool is_letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(uint8_t c) { return c >= '0' && c <= '9'; }

int16_t to_int16(double v) {
  if (!(v > -32768.0)) return -32768;
  if (v > 32767.0) return 32767;
  return int16_t(v);
}

// Size of a script in text of size d: 179 at the top (256), 138 one level down.
int16_t script_size(int16_t d) { return to_int16(1792.0 * d / (1792.0 + 3.0 * d) + 0.5); }

int16_t script_raise(int16_t b, int16_t d, int16_t u, bool superscript) {
  const double lift = double((superscript ? 0.3f : -0.3f) * float(d)) - 0.5 * (d - u);
  return int16_t(uint16_t(b + int(lift)));  // raises wrap in their 16-bit field
}

void scripts(const std::string& in, std::string& out, int depth, int16_t b, int16_t d) {
  if (depth <= 0) {
    out += in;
    return;
  }
  const int16_t u = script_size(d);
  const size_t n = in.size();
  for (size_t i = 0; i < n;) {
    const uint8_t c = byte_at(in, i);
    if (c == GLYPH_ESCAPE || c == PARAM_ESCAPE) {
      out.append(in, i, item_size(c));
      i += item_size(c);
      continue;
    }
    // A script sign at the very end has no operand and stays as it is.
    if ((c != '^' && c != '_') || i + 1 == n) {
      out += char(c);
      i++;
      continue;
    }
    const int16_t raise = script_raise(b, d, u, c == '^');
    size_t j = i + 1;
    const uint8_t first = byte_at(in, j);
    if (first == '{') {
      // The group runs to its matching brace, or to the end of the text when it has none.
      size_t k = j + 1;
      int level = 1;
      while (k < n) {
        const uint8_t g = byte_at(in, k);
        if (g == '{') level++;
        if (g == '}' && --level == 0) break;
        k += item_size(g);
      }
      put_script(out, u, raise);
      scripts(in.substr(j + 1, k - (j + 1)), out, depth - 1, raise, u);
      put_script(out, d, b);
      i = k < n ? k + 1 : n;
      continue;
    }
    if (is_letter(first)) {
      while (j < n && is_letter(byte_at(in, j))) j++;
    } else if (is_digit(first)) {
      while (j < n && is_digit(byte_at(in, j))) j++;
    } else if (first == GLYPH_ESCAPE) {
      while (j < n && byte_at(in, j) == GLYPH_ESCAPE) j += 3;
    } else {
      j += item_size(first);  // one character, or one whole escape
    }
    put_script(out, u, raise);
    out.append(in, i + 1, j - (i + 1));
    put_script(out, d, b);
    i = j;
  }
}

bool code_at(const std::string& s, size_t p, const char* word) {
  char pattern[8];
  snprintf(pattern, sizeof pattern, "#%s=", word);
  return name_at(s, p, pattern);
}

std::string codes(const std::string& in) {
  std::string out;
  const size_t n = in.size();
  for (size_t i = 0; i < n;) {
    const uint8_t c = byte_at(in, i);
    if (c == GLYPH_ESCAPE || c == PARAM_ESCAPE) {
      out.append(in, i, item_size(c));
      i += item_size(c);
      continue;
    }
    const bool colour = code_at(in, i, "col");
    if (!colour && !code_at(in, i, "tab")) {
      out += char(c);
      i++;
      continue;
    }
    // The value runs to the next "#", the end or an escape (whose payload is not text); every
    // other byte counts as a digit, and the sum wraps at 32 bits.
    size_t j = i + 5;
    uint32_t value = 0;
    while (j < n && byte_at(in, j) != '#' && byte_at(in, j) != GLYPH_ESCAPE &&
           byte_at(in, j) != PARAM_ESCAPE) {
      value = value * 10u + uint32_t(int(byte_at(in, j)) - 48);
      j++;
    }
    if (j < n && byte_at(in, j) == '#') j++;
    put_param(out, colour ? PARAM_COLOUR : PARAM_TAB, value);
    i = j;
  }
  return out;
}

int bounded_depth(int depth) { return depth > MAX_DEPTH ? MAX_DEPTH : depth; }

}  // namespace

bool markup(char* text, size_t capacity, int depth) {
  std::string in;
  if (!bounded_text(text, capacity, &in)) return false;
  std::string out;
  scripts(greek(in), out, bounded_depth(depth), 0, 256);
  return store(text, capacity, out);
}

bool markup_greek(char* text, size_t capacity) {
  std::string in;
  if (!bounded_text(text, capacity, &in)) return false;
  return store(text, capacity, greek(in));
}

bool markup_scripts(char* text, size_t capacity, int depth, int16_t raise, int16_t size) {
  std::string in;
  if (!bounded_text(text, capacity, &in)) return false;
  std::string out;
  scripts(in, out, bounded_depth(depth), raise, size);
  return store(text, capacity, out);
}

bool markup_codes(char* text, size_t capacity) {
  std::string in;
  if (!bounded_text(text, capacity, &in)) return false;
  return store(text, capacity, codes(in));
}

const char* escape_end(const char* text) {
  if (!text) return nullptr;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  while (*p) p += item_size(*p);
  return reinterpret_cast<const char*>(p);
}
