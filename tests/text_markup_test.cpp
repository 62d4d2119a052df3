// Text mark-up: the exact bytes of scripts, nested groups, Greek names and colour/tab codes; texts
// whose escapes hold zeros, "#" or "^"; refusals for lack of room that leave the buffer as it was;
// and marked-up text drawn with the bundled Greek font.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/markup.h"
#include "text/text_draw.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

using Bytes = std::string;

Bytes script(int size, int raise) {
  Bytes b("\x05\x02", 2);
  b += char(size & 0xFF);
  b += char((size >> 8) & 0xFF);
  b += char(raise & 0xFF);
  b += char((raise >> 8) & 0xFF);
  return b;
}
Bytes glyph(int g) { return Bytes{'\x02', char(g >> 8), char(g & 0xFF)}; }
Bytes param(int kind, uint32_t v) {
  return Bytes{'\x05', char(kind), char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// Runs a conversion on a copy of text in a buffer of the given capacity (default: ample) and
// returns the text up to its end as escape_end finds it.
template <typename Convert>
Bytes convert(const Bytes& text, Convert f, size_t capacity = 0) {
  std::vector<char> buf(capacity ? capacity : text.size() * 12 + 16, '\x7f');
  std::copy(text.begin(), text.end(), buf.begin());
  buf[text.size()] = 0;
  EXPECT_TRUE(f(buf.data(), buf.size()));
  return Bytes(buf.data(), size_t(escape_end(buf.data()) - buf.data()));
}

auto at_depth(int depth) {
  return [depth](char* t, size_t c) { return markup(t, c, depth); };
}
const auto greek = [](char* t, size_t c) { return markup_greek(t, c); };
const auto codes = [](char* t, size_t c) { return markup_codes(t, c); };

}  // namespace

TEST(Markup, Scripts) {
  // x^2: 14 bytes instead of 3.
  EXPECT_EQ(convert("x^2", at_depth(1)), "x" + script(179, 38) + "2" + script(256, 0));
  EXPECT_EQ(convert("H_2O", at_depth(1)), "H" + script(179, -115) + "2" + script(256, 0) + "O");
  // Operands: a run of letters, of digits, of glyph escapes, else one character.
  EXPECT_EQ(convert("a^bc1", at_depth(1)), "a" + script(179, 38) + "bc" + script(256, 0) + "1");
  EXPECT_EQ(convert("a^12b", at_depth(1)), "a" + script(179, 38) + "12" + script(256, 0) + "b");
  EXPECT_EQ(convert("a^+b", at_depth(1)), "a" + script(179, 38) + "+" + script(256, 0) + "b");
  EXPECT_EQ(convert("x^pipi", at_depth(1)),
            "x" + script(179, 38) + glyph(271) + glyph(271) + script(256, 0));
  // Nesting: the inner 2 at depth 2 gets size 138 and raise 71; at depth 1 it stays literal.
  EXPECT_EQ(convert("e^{x^2}", at_depth(2)),
            "e" + script(179, 38) + "x" + script(138, 71) + "2" + script(179, 38) + script(256, 0));
  EXPECT_EQ(convert("e^{x^2}", at_depth(1)), "e" + script(179, 38) + "x^2" + script(256, 0));
  EXPECT_EQ(convert("e^{x^2}", at_depth(0)), "e^{x^2}");
  // The outer size and raise come from the caller.
  EXPECT_EQ(convert("a^b", [](char* t, size_t c) { return markup_scripts(t, c, 1, 38, 179); }),
            "a" + script(138, 71) + "b" + script(179, 38));
}

TEST(Markup, ScriptEdgesLoseNothing) {
  // A sign at the very end stays; an unclosed group runs to the end and is closed there.
  EXPECT_EQ(convert("x^", at_depth(3)), "x^");
  EXPECT_EQ(convert("a_{bc", at_depth(1)), "a" + script(179, -115) + "bc" + script(256, 0));
  EXPECT_EQ(convert("a^{", at_depth(1)), "a" + script(179, 38) + script(256, 0));
  // Escapes are stepped over whole: a colour whose payload holds "^", "{" and zeros, and a
  // glyph escape with a zero byte, are neither operands' bytes nor the text's end.
  const Bytes colour = param(0, 0x007B5E5E);
  EXPECT_EQ(convert("a" + colour + "^b", at_depth(1)),
            "a" + colour + script(179, 38) + "b" + script(256, 0));
  EXPECT_EQ(convert("a^" + colour + "b", at_depth(1)),
            "a" + script(179, 38) + colour + script(256, 0) + "b");
  EXPECT_EQ(convert("x^{" + glyph(256) + "}^2", at_depth(1)),
            "x" + script(179, 38) + glyph(256) + script(256, 0) + script(179, 38) + "2" +
                script(256, 0));
}

TEST(Markup, GreekNames) {
  EXPECT_EQ(convert("Alpha ALPHA alpha aLPHA", greek),
            glyph(280) + " " + glyph(280) + " " + glyph(256) + " " + glyph(256));
  EXPECT_EQ(convert("alphabet", greek), glyph(256) + "bet");
  EXPECT_EQ(convert("pi", greek), glyph(271));  // grows by one byte
  EXPECT_EQ(convert("theta beta Omega", greek),
            glyph(263) + " " + glyph(257) + " " + glyph(303));
  EXPECT_EQ(convert("vardelta VarZeta vartheta varphi VAROMEGA", greek),
            glyph(304) + " " + glyph(305) + " " + glyph(306) + " " + glyph(307) + " " + glyph(308));
  // markup does the names first, so a name is one operand.
  EXPECT_EQ(convert("x_mu", at_depth(1)), "x" + script(179, -115) + glyph(267) + script(256, 0));
  // A name is never matched inside an escape's payload ("pi" as colour bytes).
  const Bytes colour = param(0, 0x00006970);
  EXPECT_EQ(convert(colour + "pi", greek), colour + glyph(271));
}

TEST(Markup, Codes) {
  EXPECT_EQ(convert("#COL=255#x", codes), param(0, 255) + "x");
  EXPECT_EQ(convert("#col=255#x", codes), param(0, 255) + "x");
  EXPECT_EQ(convert("a#tab=120#b#Tab=7", codes), "a" + param(1, 120) + "b" + param(1, 7));
  EXPECT_EQ(convert("#col=", codes), param(0, 0));  // one byte longer
  // Other characters count as byte - 48; the value wraps at 32 bits.
  EXPECT_EQ(convert("#col=1A#", codes), param(0, 10 + ('A' - 48)));
  EXPECT_EQ(convert("#col=99999999999#", codes), param(0, uint32_t(99999999999ull)));
  // The value stops at an escape, which is kept whole.
  EXPECT_EQ(convert("#col=12" + glyph(256) + "#", codes), param(0, 12) + glyph(256) + "#");
  // markup leaves codes alone.
  EXPECT_EQ(convert("#col=255#", at_depth(2)), "#col=255#");
}

TEST(Markup, RefusalLeavesTheBufferUnchanged) {
  struct Case {
    Bytes text;
    bool (*f)(char*, size_t);
    size_t needed;  // result with terminator
  };
  const Case cases[] = {
      {"x^2", [](char* t, size_t c) { return markup(t, c, 1); }, 15},
      {"e^{x^2}", [](char* t, size_t c) { return markup(t, c, 2); }, 28},
      {"pi", markup_greek, 4},
      {"#col=", markup_codes, 7},
      {"a^b", [](char* t, size_t c) { return markup_scripts(t, c, 1, 0, 256); }, 15},
  };
  for (const Case& k : cases) {
    for (size_t capacity = k.text.size() + 1; capacity <= k.needed; capacity++) {
      std::vector<char> buf(k.needed + 4, '\x55');
      std::copy(k.text.begin(), k.text.end(), buf.begin());
      buf[k.text.size()] = 0;
      const std::vector<char> before = buf;
      const bool ok = k.f(buf.data(), capacity);
      EXPECT_EQ(ok, capacity == k.needed) << k.text << " in " << capacity;
      EXPECT_TRUE(ok || buf == before) << k.text << " in " << capacity;
    }
  }
  // A text whose end lies beyond the capacity (here an escape running past it) is refused.
  char cut[] = {'a', '\x02', '\x01', 0, 0};
  EXPECT_FALSE(markup_greek(cut, 3));
  EXPECT_FALSE(markup_codes(nullptr, 10));
}

TEST(Markup, EscapeEnd) {
  const Bytes t = "a" + glyph(256) + param(0, 0) + "b";
  EXPECT_EQ(escape_end(t.c_str()), t.c_str() + t.size());
}

namespace {

constexpr int W = 320, H = 80;

// Marked-up text drawn with the bundled font that holds the Greek letters.
class MarkupDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = W;
    screen_h = H;
    loadfont(vt_test::source_path("assets/caption_greek.font").c_str(), "greek");
    greek_font = cur_font;
    ASSERT_NE(greek_font, nullptr);
    set_blend_mode(3);
  }
  void TearDown() override {
    while (fonts && font_list.count > 0) font_delete(fonts[0]);
  }
  // Converts text with markup (depth 2) and markup_codes, then draws it in white on black.
  std::vector<uint32_t> draw(const std::string& text, int x = 10, int y = 30) {
    std::vector<char> buf(text.begin(), text.end());
    buf.resize(text.size() * 12 + 16, 0);
    EXPECT_TRUE(markup(buf.data(), buf.size(), 2));
    EXPECT_TRUE(markup_codes(buf.data(), buf.size()));
    return draw_escaped(buf.data(), x, y);
  }
  std::vector<uint32_t> draw_escaped(const char* text, int x = 10, int y = 30) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    font_print(x, y, 0, text, 0xFFFFFF);
    return gl.pixels();
  }
  // Lowest row with ink in columns [x0, x1), or -1.
  static int bottom_ink(const std::vector<uint32_t>& p, int x0, int x1) {
    for (int y = H - 1; y >= 0; y--)
      for (int x = x0; x < x1; x++)
        if (p[size_t(y) * W + x] & 0x808080) return y;
    return -1;
  }
  vt_test::GlContext gl{W, H};
  Font* greek_font = nullptr;
};

}  // namespace

TEST_F(MarkupDrawing, GreekFontHoldsTheLetters) {
  EXPECT_EQ(greek_font->height, 20);
  for (int g = 256; g <= 308; g++) EXPECT_GT(greek_font->glyph_w[g], 0) << g;
  EXPECT_EQ(greek_font->glyph_w[309], 0);
  EXPECT_EQ(greek_font->glyph_w['A'], 14);
  // "alpha" draws glyph 256 with ink and advances by its width: floor(12 + 0.5 + 1.82) = 14.
  const std::vector<uint32_t> alpha = draw("alphaA");
  const std::string escape("\x02\x01\x00", 3);
  EXPECT_TRUE(alpha ==
              (draw_escaped(escape.c_str()), font_print(24, 30, 0, "A", 0xFFFFFF), gl.pixels()));
  EXPECT_GE(bottom_ink(alpha, 10, 22), 30);
  EXPECT_FALSE(alpha == draw("aA"));
}

TEST_F(MarkupDrawing, ScriptsColoursAndTabs) {
  const int plain = bottom_ink(draw("x2"), 24, 40);  // the digit's baseline row
  ASSERT_GT(plain, 30);
  // A superscript sits well above the baseline, a subscript below it; both return to the font.
  const int sup = bottom_ink(draw("x^2"), 24, 40);
  const int sub = bottom_ink(draw("x_2"), 24, 40);
  EXPECT_LT(sup, plain - 4);
  EXPECT_GT(sub, plain);
  EXPECT_EQ(cur_font, greek_font);
  // Colour codes colour what follows.
  const std::vector<uint32_t> red = draw("#col=16711680#A");
  bool any_red = false;
  for (uint32_t v : red) {
    EXPECT_EQ(v & 0xFFFF, 0u);
    any_red |= (v >> 16) > 0xC0;
  }
  EXPECT_TRUE(any_red);
  // A tab puts the pen at that pixel.
  EXPECT_TRUE(draw("A#tab=200#B") == (draw_escaped("A"), font_print(200, 30, 0, "B", 0xFFFFFF),
                                      gl.pixels()));
}
