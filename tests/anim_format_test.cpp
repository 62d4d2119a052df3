// The worked example of docs/anim-format.md: its bytes are what the encoder writes for the
// pictures the document describes, and decoding them gives those pictures back.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/encode.h"
#include "anim/format.h"
#include "util/test_util.h"

namespace {

// The hex bytes of the code block that follows the worked-example marker.
std::string example_bytes() {
  std::string doc = vt_test::read_file(std::string(VANTOREL_SOURCE_DIR) + "/docs/anim-format.md");
  size_t at = doc.find("<!-- worked-example");
  EXPECT_NE(at, std::string::npos);
  size_t open = doc.find("```\n", at), close = doc.find("```", open + 4);
  EXPECT_NE(close, std::string::npos);
  std::string bytes;
  for (size_t i = open + 4; i + 1 < close; i++) {
    if (std::isxdigit((unsigned char)doc[i]) && std::isxdigit((unsigned char)doc[i + 1])) {
      bytes.push_back(char(std::stoi(doc.substr(i, 2), nullptr, 16)));
      i++;
    }
  }
  return bytes;
}

TEST(AnimFormat, WorkedExampleIsWhatTheEncoderWritesAndDecodesBack) {
  const int w = 16, h = 8;
  std::vector<unsigned char> first(w * h, 0), second;
  for (int y = 0; y < h; y++)
    for (int x = 8; x < 16; x++) first[y * w + x] = 12;
  for (int x = 0; x < 8; x++) first[x] = 15;
  second = first;
  second[5 * w + 3] = 9;

  vt_test::TempDir dir;
  std::string path = dir.file("example.anim");
  AnimFile out = anim_writer_open_size(path.c_str(), 2, w, h);
  anim_encode_indices(&out, first.data(), w);
  anim_encode_indices(&out, second.data(), w);
  anim_close(out);
  std::string written = vt_test::read_file(path);
  EXPECT_EQ(written, example_bytes());
  EXPECT_EQ(written.size(), 27u);

  FILE* f = fmemopen(written.data(), written.size(), "rb");
  AnimFile in = anim_open_stream(f);
  ASSERT_EQ(in.version, 2);
  std::vector<unsigned char> picture(w * h, 0);
  AnimCanvas canvas = {w, h, picture.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  ASSERT_EQ(anim_decode_frame(&in, &sink), 1);
  EXPECT_EQ(picture, first);
  ASSERT_EQ(anim_decode_frame(&in, &sink), 1);
  EXPECT_EQ(picture, second);
  anim_close(in);
}

}  // namespace
