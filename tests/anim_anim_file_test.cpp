// The ANIM container: which files are version 2, where their frames start, rewinding, recorders
// with no frames, and paths or sizes that cannot be opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "anim/anim_file.h"
#include "util/test_util.h"

namespace {

using vt_test::TempDir;

AnimFile open_bytes(const TempDir& dir, const std::string& bytes) {
  std::string path = dir.file("a.anim");
  EXPECT_TRUE(vt_test::write_file(path, bytes));
  return anim_open(path.c_str());
}

TEST(AnimFileOpen, VersionTwoHeaderStartsFramesAtSix) {
  TempDir dir;
  AnimFile a = open_bytes(dir, std::string("ANIM2\0\xFE\xFE", 8));
  ASSERT_NE(a.file, nullptr);
  EXPECT_EQ(a.version, 2);
  EXPECT_EQ(std::ftell(a.file), 6);
  EXPECT_EQ(a.frame, 0);
  EXPECT_EQ(a.width, 0);
  EXPECT_EQ(a.height, 0);
  EXPECT_EQ(a.columns, nullptr);
  std::fgetc(a.file);
  a.frame = 3;
  anim_rewind(&a);
  EXPECT_EQ(std::ftell(a.file), 6);
  EXPECT_EQ(a.frame, 0);
  anim_close(a);
}

TEST(AnimFileOpen, EverythingElseIsVersionOneFromTheStart) {
  TempDir dir;
  const std::string cases[] = {
      std::string("ANIM2x\xFE", 7),           std::string("ANIM2\0", 5),    "", "A", "ANIM",
      std::string("ANIM2\0", 6).substr(0, 5), std::string("anim2\0\0\0", 8)};
  for (const std::string& bytes : cases) {
    AnimFile a = open_bytes(dir, bytes);
    ASSERT_NE(a.file, nullptr);
    EXPECT_EQ(a.version, 1) << bytes.size() << " bytes";
    EXPECT_EQ(std::ftell(a.file), 0);
    EXPECT_FALSE(std::feof(a.file));  // a short header read leaves no end-of-file state behind
    anim_rewind(&a);
    EXPECT_EQ(std::ftell(a.file), 0);
    anim_close(a);
  }
  // Exactly six header bytes and nothing else is still version 2.
  AnimFile a = open_bytes(dir, std::string("ANIM2\0", 6));
  EXPECT_EQ(a.version, 2);
  anim_close(a);
}

TEST(AnimFileOpen, MissingPathIsDetectedWithTheSystemReason) {
  TempDir dir;
  AnimFile a = anim_open(dir.file("nothing.anim").c_str());
  EXPECT_EQ(a.file, nullptr);
  EXPECT_EQ(a.open_errno, ENOENT);
  EXPECT_EQ(a.frame, 0);
  anim_rewind(&a);  // harmless on a file that never opened
  anim_close(a);
}

TEST(AnimFileWriter, EmptyRecordings) {
  TempDir dir;
  AnimFile w2 = anim_writer_open_size(dir.file("v2.anim").c_str(), 2, 24, 16);
  ASSERT_NE(w2.file, nullptr);
  EXPECT_EQ(w2.version, 2);
  EXPECT_EQ(w2.width, 24);
  EXPECT_EQ(w2.height, 16);
  ASSERT_NE(w2.columns, nullptr);
  for (int x = 0; x < 24; x++)
    for (int y = 0; y < 16; y++) ASSERT_EQ(w2.columns[x][y], 0);
  anim_close(w2);
  EXPECT_EQ(vt_test::read_file(dir.file("v2.anim")), std::string("ANIM2\0", 6));

  AnimFile w1 = anim_writer_open_size(dir.file("v1.anim").c_str(), 1, 5, 3);
  ASSERT_NE(w1.file, nullptr);
  anim_close(w1);
  EXPECT_TRUE(vt_test::file_exists(dir.file("v1.anim")));
  EXPECT_EQ(vt_test::read_file(dir.file("v1.anim")), "");
}

TEST(AnimFileWriter, RefusesSizesAndVersionsItCannotRecord) {
  TempDir dir;
  const int bad[][3] = {{0, 10, 2}, {10, 0, 2}, {2049, 8, 2}, {8, 2049, 1}, {-8, 8, 2}, {8, 8, 3}};
  for (const auto& b : bad) {
    std::string path = dir.file("r.anim");
    AnimFile w = anim_writer_open_size(path.c_str(), b[2], b[0], b[1]);
    EXPECT_EQ(w.file, nullptr);
    EXPECT_EQ(w.columns, nullptr);
    EXPECT_EQ(w.open_errno, EINVAL);
    EXPECT_FALSE(vt_test::file_exists(path));
    anim_close(w);
  }
  AnimFile w = anim_writer_open_size(dir.file("max.anim").c_str(), 2, 2048, 1);
  EXPECT_NE(w.file, nullptr);
  anim_close(w);
}

TEST(AnimFileWriter, UnwritablePathKeepsTheReason) {
  TempDir dir;
  AnimFile w = anim_writer_open_size(dir.file("no/such/dir.anim").c_str(), 2, 8, 8);
  EXPECT_EQ(w.file, nullptr);
  EXPECT_EQ(w.open_errno, ENOENT);
  EXPECT_EQ(w.columns, nullptr);
  anim_close(w);
}

}  // namespace
