// The ANIM container: which files and memory streams are version 2, where their frames start,
// rewinding, recorders
// with no frames, and paths or sizes that cannot be opened.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "anim/anim_file.h"
#include "anim/canvas.h"
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

TEST(AnimFileOpen, FolderIsRefusedLikeAFileThatCannotBeOpened) {
  TempDir dir;
  AnimFile a = anim_open(dir.path.c_str());
  EXPECT_EQ(a.file, nullptr);
  EXPECT_EQ(a.open_errno, EISDIR);
  anim_close(a);
}

// Every frame of an opened file painted on a 64 x 32 canvas, and the bytes the reader took.
std::vector<unsigned char> decode_all(AnimFile* a, long long* taken) {
  std::vector<unsigned char> pixels(64 * 32, 0);
  AnimCanvas canvas = {64, 32, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  while (anim_decode_frame(a, &sink)) {
  }
  *taken = a->offset;
  return pixels;
}

// A pipe holding bytes (small enough for the pipe's buffer), opened by name as a user would.
AnimFile open_pipe(const std::string& bytes) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
  close(fds[1]);
  AnimFile a = anim_open(("/dev/fd/" + std::to_string(fds[0])).c_str());
  close(fds[0]);
  return a;
}

TEST(AnimFileOpen, PipesDecodeExactlyLikeFilesButCannotRewind) {
  TempDir dir;
  // Version 1 records of x 1, 2, 9, then 3 (ending the frame), and a second frame; and a version
  // 2 file with two blocks. The first bytes, peeked at to tell the version, belong to a frame.
  std::string v1;
  for (unsigned x : {1u, 2u, 9u, 3u, 5u, 6u}) {
    unsigned word = x << 20 | (x + 1) << 8 | (x * 20);
    v1 += std::string{char(word), char(word >> 8), char(word >> 16), char(word >> 24)};
  }
  const std::string v2("ANIM2\0\xA0\x01\x01\x0F\xFE\xA0\x03\x02\x20\xFE", 16);
  for (const std::string& bytes : {v1, v2}) {
    AnimFile file = open_bytes(dir, bytes);
    AnimFile pipe = open_pipe(bytes);
    ASSERT_NE(pipe.file, nullptr);
    EXPECT_EQ(pipe.version, file.version);
    long long file_taken = 0, pipe_taken = 0;
    std::vector<unsigned char> want = decode_all(&file, &file_taken);
    EXPECT_EQ(decode_all(&pipe, &pipe_taken), want);
    EXPECT_NE(want, std::vector<unsigned char>(64 * 32, 0));
    EXPECT_EQ(file_taken, (long long)bytes.size());
    EXPECT_EQ(pipe_taken, (long long)bytes.size());
    EXPECT_EQ(anim_rewind(&file), 1);
    pipe.frame = 5;
    EXPECT_EQ(anim_rewind(&pipe), 0);  // the bytes are gone: nothing to play again
    EXPECT_EQ(pipe.frame, 5);
    anim_close(file);
    anim_close(pipe);
  }
  // Before its first frame a pipe is where a rewind would take it.
  AnimFile fresh = open_pipe(v1);
  EXPECT_EQ(anim_rewind(&fresh), 1);
  long long taken = 0;
  decode_all(&fresh, &taken);
  EXPECT_EQ(taken, (long long)v1.size());
  anim_close(fresh);
}

TEST(AnimFileOpen, MemoryStreamsDecodeLikeFiles) {
  static char bytes[] = "ANIM2\0\xA0\x00\x00\x05\xFE";
  AnimFile a = anim_open_stream(fmemopen(bytes, sizeof bytes - 1, "rb"));
  ASSERT_NE(a.file, nullptr);
  EXPECT_EQ(a.version, 2);
  std::vector<unsigned char> pixels(8 * 8, 0);
  AnimCanvas canvas = {8, 8, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  EXPECT_EQ(anim_decode_frame(&a, &sink), 1);
  EXPECT_EQ(pixels[63], 5);
  EXPECT_EQ(anim_rewind(&a), 1);
  EXPECT_EQ(std::ftell(a.file), 6);
  anim_close(a);

  AnimFile none = anim_open_stream(nullptr);
  EXPECT_EQ(none.file, nullptr);
  EXPECT_EQ(none.open_errno, EBADF);
  EXPECT_TRUE(anim_at_end(&none));
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
