// The built-in fonts: the data behind each is exactly the committed font (the embedded caption
// records, assets/caption_greek.font), and font_load_builtin registers a font that draws the
// Greek glyphs the mark-up produces.
#include <gtest/gtest.h>

#include <string>

#include "gfx/shell_state.h"
#include "text/builtin_font.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

std::string bytes(const uint8_t* data, uint32_t length) {
  return std::string(reinterpret_cast<const char*>(data), length);
}

TEST(BuiltinFont, DataIsTheCommittedFonts) {
  uint32_t length = 1;
  const uint8_t* caption = font_builtin_data(FONT_BUILTIN_CAPTION, &length);
  EXPECT_EQ(bytes(caption, length), bytes(caption_font_data, CAPTION_FONT_SIZE));
  const uint8_t* greek = font_builtin_data(FONT_BUILTIN_GREEK, &length);
  EXPECT_EQ(bytes(greek, length),
            vt_test::read_file(vt_test::source_path("assets/caption_greek.font")));
  EXPECT_EQ(font_builtin_data(2, &length), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(font_builtin_data(-1, nullptr), nullptr);
}

TEST(BuiltinFont, RegistersUnderTheNameWithTheGreekGlyphs) {
  vt_test::GlContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  font_load_builtin(FONT_BUILTIN_GREEK, "greek", 0);
  font_load_builtin(FONT_BUILTIN_CAPTION, nullptr, 0);
  Font* greek = font_get("greek");
  Font* caption = font_get("caption");
  ASSERT_NE(greek, nullptr);
  ASSERT_NE(caption, nullptr);
  EXPECT_STREQ(greek->name, "greek");
  EXPECT_STREQ(caption->name, "caption");
  EXPECT_GT(greek->glyph_w[256], 0);   // alpha
  EXPECT_GT(greek->glyph_w[308], 0);   // varomega
  EXPECT_EQ(caption->glyph_w[256], 0);
  EXPECT_EQ(greek->glyph_w['A'], caption->glyph_w['A']);
}

}  // namespace
