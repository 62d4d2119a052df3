// Font specifiers, scores, derived variants and their names, selection, renaming, copying and
// deletion, with the embedded font loaded in an OSMesa context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "util/gl_context.h"

namespace {

class FontVariants : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
    caption = cur_font;
    ASSERT_NE(caption, nullptr);
    ASSERT_EQ(caption->height, 20);
    ASSERT_EQ(caption->max_w, 20);
  }
  void TearDown() override {
    while (fonts && font_list.count > 0) font_delete(fonts[0]);
  }
  static uint32_t count() { return fonts ? font_list.count : 0; }
  static bool registered(const Font* f) {
    for (uint32_t i = 0; i < count(); i++)
      if (fonts[i] == f) return true;
    return false;
  }
  vt_test::GlContext gl{64, 64};
  Font* caption = nullptr;
};

void expect_desc(FontDesc d, Font* base, float xs, float ys, float skew, float bold, int own) {
  EXPECT_EQ(d.base, base);
  EXPECT_FLOAT_EQ(d.xscale, xs);
  EXPECT_FLOAT_EQ(d.yscale, ys);
  EXPECT_NEAR(d.skew, skew, 1e-6);
  EXPECT_NEAR(d.boldness, bold, 1e-6);
  EXPECT_EQ(d.own_glyphs, own);
  EXPECT_EQ(d.reserved, 0);
}

}  // namespace

TEST_F(FontVariants, PixelSizeDerivesANamedVariantOnce) {
  FontDesc d = font_parse_spec("caption:size=24px");
  expect_desc(d, caption, 1.2f, 1.2f, 0, 0, 512);
  EXPECT_NEAR(font_score(d, caption->desc), -2.737, 0.01);

  font_use("caption:size=24px");
  Font* variant = cur_font;
  EXPECT_NE(variant, caption);
  EXPECT_STREQ(variant->name, "caption:width=1.2:height=1.2");
  expect_desc(variant->desc, caption, 1.2f, 1.2f, 0, 0, 0);
  EXPECT_EQ(variant->tex, caption->tex);
  EXPECT_EQ(cur_line_h, 24);
  EXPECT_EQ(cur_cell_w, 16);
  EXPECT_EQ(count(), 2u);

  font_use("caption:size=24px");  // parsed again, stops at the descriptor comparison
  EXPECT_EQ(cur_font, variant);
  EXPECT_EQ(count(), 2u);

  FontDesc near = font_parse_spec("caption:size=24.2px");
  EXPECT_NEAR(font_score(near, variant->desc), 0.83, 0.01);
  font_use("caption:size=24.2px");
  EXPECT_EQ(cur_font, variant);
  EXPECT_EQ(count(), 2u);

  font_use("caption:size=38.4px");
  EXPECT_STREQ(cur_font->name, "caption:width=1.92:height=1.92");
  EXPECT_EQ(cur_line_h, 38);
  EXPECT_EQ(cur_cell_w, 26);
}

TEST_F(FontVariants, StyleWords) {
  FontDesc d = font_parse_spec("caption:bold:italic");
  expect_desc(d, caption, 1.1f, 1.0f, 0.4f, 0.05f, 512);
  EXPECT_STREQ(font_get("caption:bold:italic")->name, "caption:width=1.1:boldness=0.05:skew=0.4");

  EXPECT_NEAR(font_parse_spec("caption:angle=45\xB0").skew, 1.0, 1e-6);
  EXPECT_NEAR(font_parse_spec("caption:angle=45°").skew, 1.0, 1e-6);  // UTF-8 holds 0xB0 too
  EXPECT_NEAR(font_parse_spec("caption:skew=10%:skew=0.1").skew, 0.2, 1e-6);
  EXPECT_NEAR(font_parse_spec("caption:skew=4px").skew, 0.2, 1e-6);
  EXPECT_NEAR(font_parse_spec("caption:boldness=2px").boldness, 0.1, 1e-6);
  EXPECT_NEAR(font_parse_spec("caption:boldness=5%:demibold:black").boldness, 0.16, 1e-6);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:scale=200%").yscale, 2.0f);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:size=1.5").xscale, 1.5f);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:width=12px").xscale, 0.6f);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:height=50%").yscale, 0.5f);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:big").yscale, 1.5f);

  // Order matters: a pixel size assigns both scales and undoes an earlier widening.
  EXPECT_FLOAT_EQ(font_parse_spec("caption:bold:size=20px").xscale, 1.0f);
  EXPECT_FLOAT_EQ(font_parse_spec("caption:size=20px:bold").xscale, 1.1f);
  expect_desc(font_parse_spec("caption:bold:italic:normal"), caption, 1, 1, 0, 0, 0);

  // Keys and names ignore case; unknown keys and value words without "=" are ignored.
  expect_desc(font_parse_spec("CAPTION:Size=40px:nonsense=3:size:scale:skew"), caption, 2, 2, 0,
              0, 512);
}

TEST_F(FontVariants, SmallThenBigIsTheLoadedFontItself) {
  FontDesc d = font_parse_spec("caption:small:big");
  EXPECT_EQ(d.xscale, 1.0f);
  EXPECT_EQ(d.yscale, 1.0f);
  EXPECT_EQ(font_get("caption:small:big"), caption);
  EXPECT_EQ(count(), 1u);
}

TEST_F(FontVariants, UnknownNameUsesTheCurrentFontsBase) {
  font_use("caption:size=30px");
  ASSERT_NE(cur_font, caption);
  FontDesc d = font_parse_spec("nosuch:bold");
  expect_desc(d, caption, 1.1f, 1.0f, 0, 0.05f, 0);
}

TEST_F(FontVariants, Scores) {
  FontDesc a = caption->desc;
  EXPECT_FLOAT_EQ(font_score(a, a), 1.0f);
  FontDesc other = a;
  other.base = nullptr;
  EXPECT_FLOAT_EQ(font_score(a, other), -1000.0f);
  FontDesc r = a, c = a;
  r.xscale = r.yscale = 1.93f;
  c.xscale = c.yscale = 1.92f;
  EXPECT_NEAR(font_score(r, c), 0.89, 0.01);
  r = c = a;
  r.boldness = 0.02f;
  EXPECT_NEAR(font_score(r, c), 0.0, 1e-6);
}

TEST_F(FontVariants, TiesGoToTheHigherIndex) {
  EXPECT_EQ(font_get_copy("caption", "twin"), 4);
  Font* twin = fonts[count() - 1];
  EXPECT_STREQ(twin->name, "twin");
  EXPECT_TRUE(desc_equal(twin->desc, caption->desc));
  EXPECT_EQ(font_variant(caption->desc), twin);
}

TEST_F(FontVariants, NamesExistsAndRename) {
  EXPECT_EQ(font_exists("Caption:bold"), 1);
  EXPECT_EQ(font_exists("captio"), 0);
  EXPECT_EQ(font_get_and_name("caption:italic", "slanted"), 7);
  EXPECT_EQ(font_exists("slanted"), 1);
  // A renamed variant given by its plain name brings its own style.
  FontDesc d = font_parse_spec("SLANTED:bold");
  expect_desc(d, caption, 1.1f, 1.0f, 0.4f, 0.05f, 0);
  Font* f = font_get("slanted");
  EXPECT_EQ(font_rename(f, f->name), 7);  // its own name
  EXPECT_STREQ(f->name, "slanted");
}

TEST_F(FontVariants, DeletingAVariantKeepsTheSharedTexture) {
  Font* variant = font_get("caption:size=30px");
  font_delete(variant);
  EXPECT_FALSE(registered(variant));
  EXPECT_EQ(count(), 1u);
  EXPECT_TRUE(glIsTexture(caption->tex));
  EXPECT_EQ(cur_font, caption);
}

TEST_F(FontVariants, DeletingABaseTakesItsVariantsAlong) {
  font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "second", 0);
  Font* second = fonts[count() - 1];
  font_use("caption:size=30px");
  font_get("caption:bold");
  font_get("second:italic");
  ASSERT_EQ(count(), 5u);
  const uint32_t tex = caption->tex;

  font_delete(caption);  // no font may keep drawing with a deleted base
  for (uint32_t i = 0; i < count(); i++) EXPECT_EQ(fonts[i]->desc.base, second);
  EXPECT_EQ(count(), 2u);
  EXPECT_FALSE(glIsTexture(tex));
  // The current font went with it: one of the remaining fonts took its place.
  EXPECT_TRUE(registered(cur_font));
  EXPECT_EQ(cur_desc.base, second);

  font_delete_family(second);
  EXPECT_EQ(count(), 0u);
  EXPECT_EQ(cur_font, nullptr);
}

TEST_F(FontVariants, DeleteBySpecifier) {
  font_get("caption:bold");
  font_get("caption:italic");
  ASSERT_EQ(count(), 3u);
  font_delete_spec("nosuch:bold");  // no such name: nothing happens
  EXPECT_EQ(count(), 3u);
  font_delete_spec("caption:bold");
  EXPECT_EQ(count(), 2u);
  font_delete_family_spec("caption:italic");  // the variant is no family head
  EXPECT_EQ(count(), 2u);
  font_delete_family_spec("caption");
  EXPECT_EQ(count(), 0u);
}

TEST_F(FontVariants, PlaceholderWhenNoFontExists) {
  font_delete(caption);
  ASSERT_EQ(count(), 0u);
  FontDesc d = font_parse_spec("ghost:bold");
  ASSERT_NE(d.base, nullptr);
  EXPECT_STREQ(d.base->name, "ghost:bold");
  EXPECT_EQ(d.base->desc.base, d.base);
  EXPECT_EQ(d.base->desc.own_glyphs, 512);
  EXPECT_EQ(d.base->glyph_w[65], 1);
  EXPECT_EQ(d.base->atlas_w, 1);
  EXPECT_NEAR(d.boldness, 0.05, 1e-6);
  font_use_desc(d);
  ASSERT_NE(cur_font, nullptr);
  EXPECT_EQ(cur_font->desc.base, d.base);
}

TEST_F(FontVariants, DescEqualComparesEveryField) {
  FontDesc a = caption->desc, b = a;
  EXPECT_EQ(desc_equal(a, b), 1);
  b.reserved = 1;
  EXPECT_EQ(desc_equal(a, b), 0);
  b = a;
  b.skew = 0.1f;
  EXPECT_EQ(desc_equal(a, b), 0);
}
