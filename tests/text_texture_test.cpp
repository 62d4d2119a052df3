// Texture upload under OSMesa: the mip chain's sizes and rounded 2x2 means, padded row strides,
// edge texels repeated at odd and single rows or columns (never read outside the image), cube
// faces and the rebuild of a bound texture's chain.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "text/texture.h"
#include "util/gl_context.h"

namespace {

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
  }
  void TearDown() override { glDeleteTextures(1, &tex); }

  static void level_size(GLenum target, int level, int* w, int* h) {
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_HEIGHT, h);
  }
  // Level texels as single luminance bytes, rows packed (alignment 1).
  static std::vector<uint8_t> luminance(GLenum target, int level) {
    int w, h;
    level_size(target, level, &w, &h);
    std::vector<uint8_t> out(size_t(w) * h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, level, GL_LUMINANCE, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
  }

  vt_test::GlContext gl{16, 16};
  GLuint tex = 0;
};

TEST_F(TextureTest, FormatsAndStrides) {
  EXPECT_EQ(tex_formats[1], 0x1909u);
  EXPECT_EQ(tex_formats[2], 0x190Au);
  EXPECT_EQ(tex_formats[3], 0x1907u);
  EXPECT_EQ(tex_formats[4], 0x1908u);
  EXPECT_EQ(tex_stride(3, 3), 12);  // 9 bytes padded
  EXPECT_EQ(tex_stride(4, 1), 4);
  EXPECT_EQ(tex_stride(5, 1), 8);
  EXPECT_EQ(tex_stride(1, 4), 4);
}

TEST_F(TextureTest, FourByFourSingleComponent) {
  std::vector<uint8_t> image = {1, 2, 0, 0,   //
                                3, 4, 0, 1,   //
                                0, 1, 9, 9,   //
                                1, 1, 9, 9};
  tex_upload_mipmapped(GL_TEXTURE_2D, 1, 4, 4, image.data());
  int w, h;
  level_size(GL_TEXTURE_2D, 1, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 1), (std::vector<uint8_t>{3, 0, 1, 9}));
  level_size(GL_TEXTURE_2D, 2, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 2), (std::vector<uint8_t>{3}));  // (3 + 0 + 1 + 9 + 2) / 4
  level_size(GL_TEXTURE_2D, 3, &w, &h);
  EXPECT_EQ(w, 0);
  // The buffer was reduced in place: it now starts with the last level.
  EXPECT_EQ(image[0], 3);
}

TEST_F(TextureTest, AtlasOf2048By64HasElevenSmallerLevels) {
  std::vector<uint8_t> image(size_t(2048) * 64 * 4, 200);
  tex_upload_mipmapped(GL_TEXTURE_2D, 4, 2048, 64, image.data());
  const int sizes[][2] = {{2048, 64}, {1024, 32}, {512, 16}, {256, 8}, {128, 4}, {64, 2},
                          {32, 1},    {16, 1},    {8, 1},    {4, 1},   {2, 1},   {1, 1}};
  for (int level = 0; level < 12; level++) {
    int w, h;
    level_size(GL_TEXTURE_2D, level, &w, &h);
    EXPECT_EQ(w, sizes[level][0]) << level;
    EXPECT_EQ(h, sizes[level][1]) << level;
  }
  int w, h;
  level_size(GL_TEXTURE_2D, 12, &w, &h);
  EXPECT_EQ(w, 0);
  uint8_t texel[4] = {};
  glGetTexImage(GL_TEXTURE_2D, 11, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  EXPECT_EQ(texel[0], 200);
  EXPECT_EQ(texel[3], 200);
}

TEST_F(TextureTest, OnePixelImageHasOnlyLevelZero) {
  uint8_t image[4] = {7, 0, 0, 0};
  tex_upload_mipmapped(GL_TEXTURE_2D, 1, 1, 1, image);
  int w, h;
  level_size(GL_TEXTURE_2D, 0, &w, &h);
  EXPECT_EQ(w, 1);
  level_size(GL_TEXTURE_2D, 1, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(image[0], 7);
}

TEST_F(TextureTest, SingleRowRepeatsItsEdgeAndStaysInsideTheBuffer) {
  // Exactly s(8) x 1 bytes on the heap: a read of a second row would show under ASan.
  std::vector<uint8_t> image = {10, 20, 30, 41, 50, 60, 70, 80};
  tex_upload_mipmapped(GL_TEXTURE_2D, 1, 8, 1, image.data());
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 1), (std::vector<uint8_t>{15, 36, 55, 75}));
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 2), (std::vector<uint8_t>{26, 65}));  // (15+36+15+36+2)/4
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 3), (std::vector<uint8_t>{46}));
}

TEST_F(TextureTest, OddSidesRoundUpAndRepeatTheEdge) {
  // 3 x 3 RGB: stride 12, so each row has three bytes of padding.
  std::vector<uint8_t> image(12 * 3, 0);
  auto set = [&](int x, int y, uint8_t v) {
    for (int k = 0; k < 3; k++) image[size_t(y) * 12 + x * 3 + k] = uint8_t(v + k);
  };
  const uint8_t values[3][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 3; x++) set(x, y, values[y][x]);
  tex_upload_mipmapped(GL_TEXTURE_2D, 3, 3, 3, image.data());
  int w, h;
  level_size(GL_TEXTURE_2D, 1, &w, &h);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  std::vector<uint8_t> level1(2 * 2 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 1, GL_RGB, GL_UNSIGNED_BYTE, level1.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // Red channel: (10+20+40+50+2)/4 = 30; right column repeats x = 2: (30+30+60+60+2)/4 = 45;
  // bottom row repeats y = 2: (70+80+70+80+2)/4 = 75; corner: 90.
  EXPECT_EQ(level1[0], 30);
  EXPECT_EQ(level1[3], 45);
  EXPECT_EQ(level1[6], 75);
  EXPECT_EQ(level1[9], 90);
  EXPECT_EQ(level1[11], 92);  // blue = red + 2
  level_size(GL_TEXTURE_2D, 2, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

TEST_F(TextureTest, CubeFacesEachGetTheirChain) {
  GLuint cube = 0;
  glGenTextures(1, &cube);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  std::vector<std::vector<uint8_t>> faces(6);
  uint8_t* images[6];
  for (int f = 0; f < 6; f++) {
    faces[f].assign(4 * 4 * 3, uint8_t(10 * (f + 1)));
    images[f] = faces[f].data();
  }
  tex_upload_cube(3, 4, images);
  for (int f = 0; f < 6; f++) {
    GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(f);
    int w, h;
    level_size(target, 2, &w, &h);
    EXPECT_EQ(w, 1) << f;
    EXPECT_EQ(h, 1) << f;
    uint8_t texel[3] = {};
    glGetTexImage(target, 2, GL_RGB, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(texel[0], 10 * (f + 1)) << f;
  }
  glDeleteTextures(1, &cube);
}

TEST_F(TextureTest, RebuildReplacesTheChainFromLevelZero) {
  std::vector<uint8_t> rgba(4 * 4 * 4);
  for (size_t i = 0; i < rgba.size(); i++) rgba[i] = uint8_t(i);
  glTexImage2D(GL_TEXTURE_2D, 0, 4, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  std::vector<uint8_t> junk(2 * 2 * 4, 255);
  glTexImage2D(GL_TEXTURE_2D, 1, 4, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, junk.data());
  tex_rebuild_mips();
  uint8_t level1[16] = {};
  glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, level1);
  // Texel (0, 0), red: bytes 0, 4, 16 and 20 of level 0.
  EXPECT_EQ(level1[0], (0 + 4 + 16 + 20 + 2) / 4);
  EXPECT_EQ(level1[3], (3 + 7 + 19 + 23 + 2) / 4);  // alpha kept as a component
  int w, h;
  level_size(GL_TEXTURE_2D, 2, &w, &h);
  EXPECT_EQ(w, 1);

  // A luminance texture is rebuilt with one component.
  std::vector<uint8_t> lum = {0, 4, 0, 0, 8, 12, 0, 0};  // rows padded to 4 bytes
  glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 2, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, lum.data());
  tex_rebuild_mips();
  EXPECT_EQ(luminance(GL_TEXTURE_2D, 1), (std::vector<uint8_t>{6}));

  // A sized RGBA format keeps its four components (not the three of an unknown format).
  std::vector<uint8_t> sized = {0, 0, 0, 40, 0, 0, 0, 80, 0, 0, 0, 120, 0, 0, 0, 160};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, sized.data());
  tex_rebuild_mips();
  uint8_t one[4] = {};
  glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, one);
  EXPECT_EQ(one[3], 100);
}

}  // namespace
