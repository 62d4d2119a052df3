// Font loading under OSMesa: the atlas layout of the embedded font at three texture limits, texels
// in colour and alpha mode, cut-off records, the FontStore and the current font, loadfont and its
// fatal message.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_internal.h"
#include "text/texture.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

// Directory for a death test: the parent makes it and hands it to the re-run child through the
// environment, so that both see the same log file and the child leaves nothing behind.
struct DeathDir {
  std::unique_ptr<vt_test::TempDir> own;
  std::string path;
  DeathDir() {
    if (const char* inherited = getenv("VT_FONT_DEATH_DIR")) {
      path = inherited;
      return;
    }
    own = std::make_unique<vt_test::TempDir>();
    path = own->path;
    setenv("VT_FONT_DEATH_DIR", path.c_str(), 1);
  }
  ~DeathDir() {
    if (own) unsetenv("VT_FONT_DEATH_DIR");
  }
  std::string file(const std::string& name) const { return path + "/" + name; }
};

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The death tests re-run the test program rather than fork a process that holds Mesa's
    // rendering threads, which a forked child cannot shut down.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(gl.ok());
    cur_font = nullptr;
    font_set_max_texture_size_override(0);
  }
  void TearDown() override { font_set_max_texture_size_override(0); }

  // Loads and returns the newest font of the store.
  Font* load(const std::vector<uint8_t>& data, const char* name = "test", uint8_t alpha = 0) {
    font_load_mem(data.data(), uint32_t(data.size()), name, alpha);
    return fonts[font_list.count - 1];
  }
  Font* load_caption() {
    font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
    return fonts[font_list.count - 1];
  }

  std::vector<uint8_t> level_texels(const Font* f, int level, int* w, int* h) {
    glBindTexture(GL_TEXTURE_2D, f->tex);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
    std::vector<uint8_t> t(size_t(*w) * size_t(*h) * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, t.data());
    return t;
  }

  vt_test::GlContext gl{64, 64};
};

TEST_F(FontTest, EmbeddedFontInOneAtlasOfTwoRows) {
  Font* f = load_caption();
  EXPECT_EQ(f->height, 20);
  EXPECT_EQ(f->atlas_w, 2048);
  EXPECT_EQ(f->atlas_h, 64);
  EXPECT_EQ(f->glyph_x['A'], 732);
  EXPECT_EQ(f->glyph_y['A'], 0);
  EXPECT_EQ(f->cell_w, 14);
  EXPECT_EQ(f->max_w, 20);
  int needed = 1, second_row = -1;
  for (int i = 0; i < 256; i++) {
    needed = std::max(needed, f->glyph_x[i] + f->glyph_w[i]);
    if (second_row < 0 && f->glyph_y[i] != 0) second_row = i;
  }
  EXPECT_EQ(needed, 2042);
  ASSERT_GT(second_row, 0);
  EXPECT_EQ(f->glyph_y[second_row], 25);  // gap 5 below a 20-pixel cell
  EXPECT_EQ(f->glyph_x[second_row], 0);
  EXPECT_EQ(f->glyph_y[255], 25);
  // The symbols 256..511 are absent and sit at the pen position after the last record.
  int pen = f->glyph_x[255] + f->glyph_w[255] + 5;
  for (int i = 256; i < FONT_GLYPHS; i++) {
    EXPECT_EQ(f->glyph_w[i], 0);
    EXPECT_EQ(f->glyph_x[i], pen);
    EXPECT_EQ(f->glyph_y[i], 25);
  }
  EXPECT_EQ(f->desc.base, f);
  EXPECT_EQ(f->desc.own_glyphs, 512);
  EXPECT_STREQ(f->name, "caption");
  EXPECT_EQ(cur_font, f);
  EXPECT_EQ(cur_line_h, 20);
  EXPECT_EQ(cur_cell_w, 14);
}

TEST_F(FontTest, EmbeddedFontAtLimit512) {
  font_set_max_texture_size_override(512);
  Font* f = load_caption();
  EXPECT_EQ(f->atlas_w, 512);
  EXPECT_EQ(f->atlas_h, 256);
  EXPECT_EQ(f->glyph_x['A'], 231);
  EXPECT_EQ(f->glyph_y['A'], 25);
}

TEST_F(FontTest, EmbeddedFontAtLimit256IsFatal) {
  DeathDir dir;
  font_set_max_texture_size_override(256);
  EXPECT_EXIT(
      {
        if (chdir(dir.path.c_str()) != 0) _exit(3);
        load_caption();
        _exit(4);
      },
      ::testing::ExitedWithCode(1),
      "Font 'caption' required texture of size 256x512 but GL_MAX_TEXTURE_SIZE=256");
}

TEST_F(FontTest, LongFontNameIsShortenedInTheMessage) {
  DeathDir dir;
  font_set_max_texture_size_override(256);
  std::string name(400, 'n');
  EXPECT_EXIT(
      {
        if (chdir(dir.path.c_str()) != 0) _exit(3);
        font_load_mem(caption_font_data, CAPTION_FONT_SIZE, name.c_str(), 0);
        _exit(4);
      },
      ::testing::ExitedWithCode(1),
      "Font 'n+\\.\\.\\.' required texture of size 256x512 but GL_MAX_TEXTURE_SIZE=256\n");
  std::string log = vt_test::read_file(dir.file("graphics_error.log"));
  size_t start = log.find("Font '");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(log.size() - start, 159u + 1u);  // 159 characters of message and the line feed
}

TEST_F(FontTest, EmptyDataGivesAOnePixelAtlas) {
  Font* f = load({});
  EXPECT_EQ(f->height, 1);
  EXPECT_EQ(f->atlas_w, 1);
  EXPECT_EQ(f->atlas_h, 1);
  EXPECT_EQ(f->max_w, 0);
  EXPECT_EQ(f->cell_w, 1);
  for (int i = 0; i < FONT_GLYPHS; i++) {
    EXPECT_EQ(f->glyph_w[i], 0);
    EXPECT_EQ(f->glyph_x[i], 0);
    EXPECT_EQ(f->glyph_y[i], 0);
  }
}

TEST_F(FontTest, GapPushingPastTheLimitStartsANewRow) {
  // Cells of 8 rows, gap 2: the second glyph would end exactly at the limit 64, but its gap would
  // not, so it opens the second row; the third likewise opens the third.
  std::vector<uint8_t> data;
  for (int i = 0; i < 3; i++) {
    data.push_back(31);
    data.push_back(8);
    data.insert(data.end(), 31 * 8, 20);
  }
  Font font = {};
  FontLayout l = font_layout(data.data(), uint32_t(data.size()), 64, &font);
  EXPECT_EQ(font.height, 8);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(font.glyph_x[i], 0) << i;
    EXPECT_EQ(font.glyph_y[i], 10 * i) << i;
  }
  EXPECT_EQ(l.needed_w, 31);
  EXPECT_EQ(l.atlas_w, 32);
  EXPECT_EQ(l.atlas_h, 32);
  // Absent glyphs keep the pen where the last record left it.
  EXPECT_EQ(font.glyph_x[3], 33);
  EXPECT_EQ(font.glyph_y[3], 20);
  EXPECT_EQ(font.glyph_w[3], 0);
}

TEST_F(FontTest, ColourAndAlphaTexels) {
  // One row of the grey ramp ends (16, 27, 39), transparent 255 and bright red 12.
  std::vector<uint8_t> data = {5, 1, 16, 27, 39, 255, 12};
  for (uint8_t alpha : {0, 1}) {
    Font* f = load(data, "ramp", alpha);
    int w, h;
    std::vector<uint8_t> t = level_texels(f, 0, &w, &h);
    ASSERT_EQ(w, 8);
    ASSERT_EQ(h, 1);
    auto texel = [&](int x) {
      return (uint32_t(t[x * 4]) << 24) | (uint32_t(t[x * 4 + 1]) << 16) | (uint32_t(t[x * 4 + 2]) << 8) |
             t[x * 4 + 3];
    };
    if (!alpha) {
      EXPECT_EQ(texel(0), 0x000000FFu);
      EXPECT_EQ(texel(1), 0x7A7A7AFFu);  // trunc(255.9 * 11 / 23) = 122
      EXPECT_EQ(texel(2), 0xFFFFFFFFu);
      EXPECT_EQ(texel(3), 0x00000000u);
      EXPECT_EQ(texel(4), 0xFF0000FFu);
    } else {
      EXPECT_EQ(texel(0), 0xFFFFFF00u);
      EXPECT_EQ(texel(1), 0xFFFFFF7Au);  // trunc(85.1 * 3 * 11 / 23) = 122
      EXPECT_EQ(texel(2), 0xFFFFFFFFu);
      EXPECT_EQ(texel(3), 0xFFFFFF00u);  // transparent, but white like the rest of the glyph
      EXPECT_EQ(texel(4), 0xFFFFFF55u);  // trunc(85.1 * 1.0)
    }
    EXPECT_EQ(texel(5), 0u);  // outside the glyph
  }
}

// Alpha mode: a reduced level averages the glyph's transparent texels as white, so only the
// coverage falls, never the colour.
TEST_F(FontTest, AlphaModeReducedLevelStaysWhite) {
  std::vector<uint8_t> data = {2, 2, 255, 39, 39, 255};
  Font* f = load(data, "alpha", 1);
  int w, h;
  std::vector<uint8_t> t = level_texels(f, 1, &w, &h);
  ASSERT_EQ(w * h, 1);
  EXPECT_EQ(t[0], 255);
  EXPECT_EQ(t[1], 255);
  EXPECT_EQ(t[2], 255);
  EXPECT_NEAR(t[3], 127, 1);
}

TEST_F(FontTest, CutOffRecordReadsNothingBeyondTheData) {
  // The second record promises 3 x 2 image bytes but the data ends after 4 of them; the data sit
  // in a buffer of exactly that size, so a read beyond it would show under AddressSanitizer.
  const uint8_t bytes[] = {1, 1, 39, 3, 2, 39, 39, 39, 39};
  std::vector<uint8_t> data(bytes, bytes + sizeof bytes);
  Font* f = load(data, "cut");
  EXPECT_EQ(f->height, 2);
  EXPECT_EQ(f->glyph_w[0], 1);
  EXPECT_EQ(f->glyph_w[1], 3);
  EXPECT_EQ(f->glyph_w[2], 0);
  int w, h;
  std::vector<uint8_t> t = level_texels(f, 0, &w, &h);
  ASSERT_EQ(w, 4);
  ASSERT_EQ(h, 2);
  int x1 = f->glyph_x[1];
  EXPECT_EQ(x1, 1);  // gap 0 for a 2-row cell
  for (int x = 0; x < 3; x++) EXPECT_EQ(t[(x1 + x) * 4 + 3], 255) << x;      // first row whole
  EXPECT_EQ(t[(w + x1) * 4 + 3], 255);                                       // fourth byte
  EXPECT_EQ(t[(w + x1 + 1) * 4 + 3], 0);                                     // missing: clear
  EXPECT_EQ(t[(w + x1 + 2) * 4 + 3], 0);

  // A record cut inside its header: a width without a height.
  Font* g = load({7}, "header");
  EXPECT_EQ(g->glyph_w[0], 7);
  EXPECT_EQ(g->height, 1);
  EXPECT_EQ(g->atlas_w, 8);
}

TEST_F(FontTest, StoreAndCurrentFont) {
  uint32_t before = font_list.count;
  Font* first = load({2, 1, 39, 39}, "first");
  EXPECT_EQ(cur_font, first);
  Font* second = load({2, 3, 39, 39, 39, 39, 39, 39}, "second");
  EXPECT_EQ(cur_font, first);  // a second font does not change the current one
  EXPECT_EQ(font_list.count, before + 2);
  EXPECT_EQ(fonts[before], first);
  EXPECT_EQ(fonts[before + 1], second);
  EXPECT_EQ(reinterpret_cast<void*>(fonts), reinterpret_cast<void*>(font_list.data));
  EXPECT_NE(first->tex, second->tex);
  EXPECT_EQ(cur_line_h, 1);
  font_select(second);
  EXPECT_EQ(cur_font, second);
  EXPECT_EQ(cur_line_h, 3);
  EXPECT_EQ(cur_desc.base, second);
}

TEST_F(FontTest, LineHeightAndCellWidthOfScaledDescriptors) {
  Font* caption = load_caption();
  Font variant = *caption;  // a derived font: same base, other scales
  variant.desc.yscale = 1.92f;
  variant.desc.xscale = 1.92f;
  variant.desc.own_glyphs = 0;
  font_select(&variant);
  EXPECT_EQ(cur_line_h, 38);   // trunc(20 x 1.92)
  EXPECT_EQ(cur_cell_w, 26);   // trunc(14 x 1.92)
  EXPECT_EQ(cur_desc.yscale, 1.92f);
  Font tall = *caption;
  tall.desc.yscale = 13.0f;
  font_select(&tall);
  EXPECT_EQ(cur_line_h, 4);    // 260 kept to its low byte
  font_select(&tall);          // already current: nothing changes
  EXPECT_EQ(cur_font, &tall);
  cur_font = nullptr;
}

TEST_F(FontTest, DescriptorWithoutBaseSelectsNothing) {
  Font* caption = load_caption();
  Font orphan = *caption;
  orphan.desc.base = nullptr;
  font_select(&orphan);
  EXPECT_EQ(cur_font, caption);
  EXPECT_EQ(cur_line_h, 20);
  font_select(nullptr);
  EXPECT_EQ(cur_font, caption);
}

TEST_F(FontTest, DigitsAreSharpenedInTheReducedLevels) {
  Font* f = load_caption();
  for (int level = 1; level <= 3; level++) {
    int w, h;
    std::vector<uint8_t> t = level_texels(f, level, &w, &h);
    for (int c = '0'; c <= '9'; c++) {
      int top = f->glyph_y[c] >> level, bottom = (f->glyph_y[c] + f->height) >> level;
      int x0 = f->glyph_x[c] >> level, bytes = (f->glyph_w[c] >> level) * 4;
      int brightest = 0;
      for (int r = top; r < bottom; r++)
        for (int b = 0; b < bytes; b++) brightest = std::max(brightest, int(t[(x0 + r * w) * 4 + b]));
      EXPECT_EQ(brightest, 255) << "glyph " << c << " level " << level;
    }
  }
}

// The lift is (k / 255.9)^0.4 of the plain reduction scaled to the cell's brightest byte: rebuild
// the plain level 1, sharpen it again and compare every digit byte with that curve.
TEST_F(FontTest, SharpeningLiftsByThePowerPointFour) {
  Font* f = load_caption();
  glBindTexture(GL_TEXTURE_2D, f->tex);
  tex_rebuild_mips();
  int w, h;
  std::vector<uint8_t> plain = level_texels(f, 1, &w, &h);
  font_sharpen_mips(f);
  std::vector<uint8_t> sharp = level_texels(f, 1, &w, &h);
  int lifted = 0;
  for (int c = '0'; c <= '9'; c++) {
    int top = f->glyph_y[c] >> 1, bottom = (f->glyph_y[c] + f->height) >> 1;
    int x0 = f->glyph_x[c] >> 1, bytes = (f->glyph_w[c] >> 1) * 4;
    float m = 0.001f;
    for (int r = top; r < bottom; r++)
      for (int b = 0; b < bytes; b++) m = std::max(m, float(plain[(x0 + r * w) * 4 + b]));
    for (int r = top; r < bottom; r++)
      for (int b = 0; b < bytes; b++) {
        size_t at = size_t(x0 + r * w) * 4 + b;
        int k = int(255.4f * float(plain[at]) / m);
        ASSERT_EQ(sharp[at], uint8_t(255.9 * std::pow(k / 255.9, 0.4))) << "glyph " << c;
        lifted += k > 20 && k < 235;
      }
  }
  EXPECT_GT(lifted, 50);  // enough grey bytes for the curve's exponent to show
}

TEST_F(FontTest, LoadfontReadsAFile) {
  vt_test::TempDir dir;
  std::string path = dir.file("caption.fnt");
  ASSERT_TRUE(vt_test::write_file(
      path, std::string(reinterpret_cast<const char*>(caption_font_data), CAPTION_FONT_SIZE)));
  int32_t length = -1;
  uint8_t* data = file_read_all(path.c_str(), &length);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(length, int32_t(CAPTION_FONT_SIZE));
  EXPECT_EQ(0, memcmp(data, caption_font_data, CAPTION_FONT_SIZE));
  free(data);
  uint32_t before = font_list.count;
  loadfont(path.c_str(), "from file");
  ASSERT_EQ(font_list.count, before + 1);
  EXPECT_STREQ(fonts[before]->name, "from file");
  EXPECT_EQ(fonts[before]->glyph_x['A'], 732);

  std::string empty = dir.file("empty.fnt");
  ASSERT_TRUE(vt_test::write_file(empty, ""));
  length = -1;
  EXPECT_EQ(file_read_all(empty.c_str(), &length), nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(file_read_all(dir.file("missing").c_str(), &length), nullptr);
}

TEST_F(FontTest, LoadfontOfMissingOrEmptyFileIsFatal) {
  DeathDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("empty.fnt"), ""));
  for (const char* name : {"missing.fnt", "empty.fnt"}) {
    std::string path = dir.file(name);
    EXPECT_EXIT(
        {
          if (chdir(dir.path.c_str()) != 0) _exit(3);
          loadfont(path.c_str(), "x");
          _exit(4);
        },
        ::testing::ExitedWithCode(1), "loadfont: '" + path + "' not found\n");
  }
  std::string log = vt_test::read_file(dir.file("graphics_error.log"));
  EXPECT_NE(log.find("loadfont: '" + dir.file("empty.fnt") + "' not found\n"), std::string::npos);
}

TEST_F(FontTest, LongPathIsShortenedInTheMessage) {
  DeathDir dir;
  std::string path = dir.path + "/" + std::string(600, 'p');
  EXPECT_EXIT(
      {
        if (chdir(dir.path.c_str()) != 0) _exit(3);
        loadfont(path.c_str(), "x");
        _exit(4);
      },
      ::testing::ExitedWithCode(1), "loadfont: '/.*p\\.\\.\\.' not found\n");
  std::string log = vt_test::read_file(dir.file("graphics_error.log"));
  size_t start = log.find("loadfont: '");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(log.size() - start, 299u + 1u);
}

}  // namespace
