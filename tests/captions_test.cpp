// Caption files: line ends of every kind, the field rules, the index rules of draw_caption, and
// the outlined drawing in the band (with hostile control bytes in the texts).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "captions/captions.h"
#include "gfx/shell_state.h"
#include "text/caption_font_data.h"
#include "text/font.h"
#include "text/font_variants.h"
#include "text/text_draw.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

std::vector<std::string> read_lines(const std::string& bytes) {
  vt_test::TempDir dir;
  std::string path = dir.file("lines.txt");
  vt_test::write_file(path, bytes);
  std::vector<std::string> lines;
  FILE* f = fopen(path.c_str(), "rb");
  while (char* line = file_getline(f)) {
    lines.push_back(line);
    free(line);
    if (lines.size() > 100) break;  // a reader that never ends fails below instead of hanging
  }
  fclose(f);
  return lines;
}

struct Loaded {
  int first, last;
  std::string text;
  bool operator==(const Loaded& o) const {
    return first == o.first && last == o.last && text == o.text;
  }
};

std::vector<Loaded> load(const std::string& bytes) {
  vt_test::TempDir dir;
  std::string path = dir.file("captions.txt");
  vt_test::write_file(path, bytes);
  DynArray list = load_captions(path.c_str());
  std::vector<Loaded> out;
  const Caption* caps = reinterpret_cast<const Caption*>(list.data);
  for (uint32_t i = 0; i < list.count; i++)
    out.push_back({caps[i].first_frame, caps[i].last_frame, caps[i].text});
  free_captions(list);
  return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(FileGetline, EveryLineEndGivesTheSameLines) {
  const Lines want = {"one", "two", "", "three"};
  EXPECT_EQ(read_lines("one\ntwo\n\nthree\n"), want);
  EXPECT_EQ(read_lines("one\r\ntwo\r\n\r\nthree\r\n"), want);
  EXPECT_EQ(read_lines("one\rtwo\r\rthree\r"), want);
  EXPECT_EQ(read_lines("one\ntwo\r\n\rthree"), want);  // mixed, no final line end
  EXPECT_EQ(read_lines(std::string("one\0two\0\0three", 15)), want);
}

TEST(FileGetline, EndsOfFile) {
  EXPECT_EQ(read_lines(""), Lines{});
  EXPECT_EQ(read_lines("\n"), Lines{""});
  EXPECT_EQ(read_lines("x"), Lines{"x"});
  EXPECT_EQ(read_lines("x\r"), Lines{"x"});
  EXPECT_EQ(read_lines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(read_lines("a\r\rb"), (Lines{"a", "", "b"}));
}

TEST(FileGetline, LongLine) {
  std::string big(100000, 'q');
  EXPECT_EQ(read_lines(big + "\nend"), (Lines{big, "end"}));
}

TEST(FileGetline, ReadErrorEndsTheReadingLikeTheEnd) {
  vt_test::TempDir dir;
  FILE* folder = fopen(dir.path.c_str(), "rb");  // Linux opens it; every read then fails
  ASSERT_NE(folder, nullptr);
  char* line = file_getline(folder);
  EXPECT_EQ(line, nullptr);
  free(line);
  fclose(folder);
  DynArray list = load_captions(dir.path.c_str());
  EXPECT_EQ(list.count, 0u);
  free_captions(list);
}

TEST(LoadCaptions, PipesReadLikeFiles) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string text = "1,5,first\r\n7,9,second\rno comma\n12,20,third";
  ASSERT_EQ(write(fds[1], text.data(), text.size()), ssize_t(text.size()));
  close(fds[1]);
  DynArray list = load_captions(("/dev/fd/" + std::to_string(fds[0])).c_str());
  close(fds[0]);
  ASSERT_EQ(list.count, 3u);
  const Caption* caps = reinterpret_cast<const Caption*>(list.data);
  EXPECT_STREQ(caps[0].text, "first");
  EXPECT_EQ(caps[1].first_frame, 7);
  EXPECT_STREQ(caps[2].text, "third");
  free_captions(list);
}

TEST(LoadCaptions, FrameNumbersBeyondTheRangeSaturate) {
  const std::vector<Loaded> want = {
      {INT_MAX, INT_MAX, "big"}, {INT_MIN, 2147483647, "edge"}, {-2147483647 - 1, 5, "x"}};
  EXPECT_EQ(load("99999999999,3000000000,big\n-99999999999999999999999,2147483647,edge\n"
                 "-2147483648,5,x\n"),
            want);
}

TEST(LoadCaptions, FieldsAndLineEnds) {
  const std::vector<Loaded> want = {{10, 50, "Hello, world"}, {60, 80, "Second caption"}};
  EXPECT_EQ(load("10,50,Hello, world\n60,80,Second caption\n"), want);
  EXPECT_EQ(load("10,50,Hello, world\r\n60,80,Second caption\r\n"), want);
  EXPECT_EQ(load("10,50,Hello, world\r60,80,Second caption"), want);
}

TEST(LoadCaptions, LineRules) {
  std::vector<Loaded> got = load(
      "no comma here\n"
      "\n"
      ",,abc\n"
      "7,9,\n"
      "1,2,a,b\n"
      "5,9\n"
      " -3, +12 junk,  spaced text  \n"
      "x,y,z\n");
  std::vector<Loaded> want = {{0, 0, "abc"},  {7, 9, ""},    {1, 2, "a,b"},
                              {5, 9, ""},     {-3, 12, "  spaced text  "}, {0, 0, "z"}};
  EXPECT_EQ(got, want);
}

TEST(LoadCaptions, EmptyAndMissingFilesGiveEmptyLists) {
  EXPECT_TRUE(load("").empty());
  DynArray list = load_captions("/nonexistent/dir/captions.txt");
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.elem_size, sizeof(Caption));
  EXPECT_EQ(draw_caption(list, 1.0f), 0u);
  free_captions(list);
}

TEST(DrawCaption, IndexRulesWhenNothingShows) {
  vt_test::TempDir dir;
  std::string path = dir.file("c.txt");
  vt_test::write_file(path, "10,50,first\n60,80,second\n");
  DynArray list = load_captions(path.c_str());
  EXPECT_EQ(draw_caption(list, 5.0f), 0u);   // first caption not started
  EXPECT_EQ(draw_caption(list, 55.0f), 1u);  // between the two
  EXPECT_EQ(draw_caption(list, 90.0f), 2u);  // past the last: count
  free_captions(list);

  vt_test::write_file(path, "60,80,later\n10,50,earlier\n");
  list = load_captions(path.c_str());
  EXPECT_EQ(draw_caption(list, 20.0f), 0u);  // out of order: the first one wins, unstarted
  free_captions(list);
}

// Drawing needs the embedded font and an OpenGL context.
class CaptionDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = 640;
    screen_h = 480;
    font_load_mem(caption_font_data, CAPTION_FONT_SIZE, "caption", 0);
    ASSERT_NE(cur_font, nullptr);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    grey = gl.pixel(0, 0);
  }
  void TearDown() override {
    while (fonts && font_list.count > 0) font_delete(fonts[0]);
    set_blend_mode(3);
  }
  DynArray load_text(const std::string& bytes) {
    std::string path = dir.file("c.txt");
    vt_test::write_file(path, bytes);
    return load_captions(path.c_str());
  }
  // Counts near-white and near-black pixels inside a rectangle (the grey background is neither;
  // filtered glyph edges are in between).
  void count(int x0, int y0, int x1, int y1, int* white, int* black) {
    *white = *black = 0;
    std::vector<uint32_t> all = gl.pixels();
    for (int y = y0; y < y1; y++)
      for (int x = x0; x < x1; x++) {
        uint32_t p = all[size_t(y) * 640 + x];
        int r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (r >= 0xD0 && g >= 0xD0 && b >= 0xD0) ++*white;
        if (r <= 0x30 && g <= 0x30 && b <= 0x30) ++*black;
      }
  }
  vt_test::GlContext gl{640, 480};
  vt_test::TempDir dir;
  uint32_t grey = 0;
};

TEST_F(CaptionDrawing, OutlinedTextInTheBandDuringItsFrames) {
  DynArray list = load_text("1,1,only one\n10,50,HELLO WORLD\n");
  EXPECT_EQ(draw_caption(list, 20.0f), 1u);
  EXPECT_STREQ(cur_font->name, "caption:width=1.2:height=1.2");
  EXPECT_EQ(cur_line_h, 24);
  EXPECT_EQ(blend_mode, 3);

  int white, black;
  count(80, 359, 640, 386, &white, &black);
  EXPECT_GT(white, 100);
  EXPECT_GT(black, 100);
  // Nothing left of the band or above it; the text starts at x = 80.
  count(0, 0, 79, 480, &white, &black);
  EXPECT_EQ(white + black, 0);
  count(0, 0, 640, 358, &white, &black);
  EXPECT_EQ(white + black, 0);
  int white_near, black_near;
  count(79, 359, 90, 386, &white_near, &black_near);
  EXPECT_GT(white_near, 0);  // the H's stem
  EXPECT_GT(black_near, 0);  // its outline

  // Past its last frame nothing more is drawn.
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(draw_caption(list, 51.0f), 2u);
  count(0, 0, 640, 480, &white, &black);
  EXPECT_EQ(white + black, 0);
  free_captions(list);
}

TEST_F(CaptionDrawing, SpecifierFollowsTheHeight) {
  screen_w = 800;
  screen_h = 600;  // "caption:size=30px"
  DynArray list = load_text("0,9,x\n");
  EXPECT_EQ(draw_caption(list, 0.0f), 0u);
  EXPECT_STREQ(cur_font->name, "caption:width=1.5:height=1.5");
  screen_h = 768;  // "caption:size=38.4px"
  draw_caption(list, 0.0f);
  EXPECT_STREQ(cur_font->name, "caption:width=1.92:height=1.92");
  free_captions(list);
}

TEST_F(CaptionDrawing, LongTextWrapsInsideTheBand) {
  DynArray list = load_text("0,9,WIDE WIDE WIDE WIDE WIDE WIDE WIDE WIDE WIDE WIDE WIDE WIDE\n");
  EXPECT_EQ(draw_caption(list, 0.0f), 0u);
  // The wrap limit is 560; later lines start 21 pixels lower each (the unscaled line step).
  int white, black;
  count(562, 0, 640, 480, &white, &black);
  EXPECT_EQ(white, 0);
  count(80, 390, 560, 420, &white, &black);
  EXPECT_GT(white, 50);
  free_captions(list);
}

TEST_F(CaptionDrawing, HugeCaptionStopsOnceBelowTheWindow) {
  // Thousands of wrapped lines, then a size escape: the drawing gives up long before it, so the
  // escape never selects its variant (and the caption costs a screenful, not the whole text).
  std::string words;
  for (int i = 0; i < 3000; i++) words += "WIDE ";
  DynArray list = load_text("0,9," + words + "\x05\x02\x01\x02\x01\x01" "end\n");
  EXPECT_EQ(draw_caption(list, 0.0f), 0u);
  EXPECT_STREQ(cur_font->name, "caption:width=1.2:height=1.2");
  int white, black;
  count(80, 359, 560, 480, &white, &black);
  EXPECT_GT(white, 200);  // the lines inside the window are all there
  free_captions(list);
}

TEST_F(CaptionDrawing, HostileControlBytesStaySafe) {
  // Escape introducers cut off by the end of the line, glyph numbers far past 511, stray size,
  // colour and pen escapes: drawn without reading past the text (checked by the sanitizers).
  DynArray list = load_text(
      "0,9,abc\x05\n"
      "10,19,abc\x02\n"
      "20,29,abc\x02\x7f\n"
      "30,39,A\x02\xff\xff" "B\x05\x02\x01\x01\x7f\x7f" "C\x05\x01\xff\xff\xff\xff" "D\n"
      "40,49,\x05\x02\xff\xff\x80\x80x\x05\x07\x01\x02\x03\x04 \x03\n");
  for (float f : {5.0f, 15.0f, 25.0f, 35.0f, 45.0f}) {
    unsigned i = draw_caption(list, f);
    EXPECT_EQ(i, unsigned(f) / 10);
  }
  // "abc" then the cut-off escape: the text ends there, "abc" still drawn.
  glClear(GL_COLOR_BUFFER_BIT);
  font_use("caption");
  draw_caption(list, 5.0f);
  int white, black;
  count(80, 359, 200, 386, &white, &black);
  EXPECT_GT(white, 20);
  free_captions(list);
}
