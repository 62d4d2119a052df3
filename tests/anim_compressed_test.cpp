// gzip-compressed files read through the library: one that fits is decompressed whole, and what
// that cannot take (several members, a damaged checksum, a cut file) is still read as zlib reads
// it, the good bytes first and then a failure; seeking back gives the same bytes again.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "anim/anim_file.h"
#include "anim/compressed.h"
#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

struct Read {
  std::string bytes;  // after the header
  bool failed = false;
};

Read read_all(const std::string& path, int rounds = 1) {
  AnimFile anim = anim_open(path.c_str());
  Read r;
  EXPECT_NE(anim.file, nullptr) << path;
  if (!anim.file) return r;
  EXPECT_EQ(anim.version, 2) << path;
  EXPECT_EQ(anim.compression, ANIM_GZIP) << path;
  for (int round = 0; round < rounds; round++) {
    if (round) {
      EXPECT_EQ(anim_rewind(&anim), 1);
    }
    std::string bytes;
    char chunk[7];  // reads smaller than any buffer, across its edges
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, anim.file)) > 0;) bytes.append(chunk, n);
    if (round) {
      EXPECT_TRUE(bytes == r.bytes) << path << " after a rewind";
    }
    r.bytes = bytes;
    r.failed = anim_stream_failed(anim.file);
  }
  anim_close(anim);
  return r;
}

TEST(AnimCompressed, GzipReadsWholeOrInPartsAlike) {
  if (!anim_stream_can(ANIM_GZIP)) GTEST_SKIP() << "built without zlib";
  vt_test::TempDir dir;
  std::vector<std::vector<vt_test::BlockFill>> frames;
  for (int f = 0; f < 400; f++) frames.push_back({{f % 30, f % 20, f % 256}, {f % 7, 3, 9}});
  const std::string plain = vt_test::block_fill_anim(frames);
  const std::string body = plain.substr(ANIM_HEADER_SIZE);
  const std::string gz = vt_test::compressed_with("gzip", plain);
  ASSERT_GT(gz.size(), 40u);

  vt_test::write_file(dir.file("one.gz"), gz);
  Read one = read_all(dir.file("one.gz"), 2);
  EXPECT_TRUE(one.bytes == body) << one.bytes.size() << " of " << body.size() << " bytes";
  EXPECT_FALSE(one.failed);

  // Two members one after the other, as cat makes them.
  const size_t half = plain.size() / 2;
  vt_test::write_file(dir.file("two.gz"),
                      vt_test::compressed_with("gzip", plain.substr(0, half)) +
                          vt_test::compressed_with("gzip", plain.substr(half)));
  Read two = read_all(dir.file("two.gz"), 2);
  EXPECT_TRUE(two.bytes == body) << two.bytes.size() << " of " << body.size() << " bytes";
  EXPECT_FALSE(two.failed);

  // A wrong checksum: every byte comes out, then the failure.
  std::string bad = gz;
  bad[bad.size() - 8] = char(bad[bad.size() - 8] ^ 1);
  vt_test::write_file(dir.file("bad.gz"), bad);
  Read damaged = read_all(dir.file("bad.gz"));
  EXPECT_TRUE(damaged.bytes == body) << damaged.bytes.size() << " of " << body.size() << " bytes";
  EXPECT_TRUE(damaged.failed);

  // Cut short: a good beginning, then the failure.
  vt_test::write_file(dir.file("cut.gz"), gz.substr(0, gz.size() * 2 / 3));
  Read cut = read_all(dir.file("cut.gz"));
  EXPECT_GT(cut.bytes.size(), 0u);
  EXPECT_LT(cut.bytes.size(), body.size());
  EXPECT_TRUE(cut.bytes == body.substr(0, cut.bytes.size()));
  EXPECT_TRUE(cut.failed);
}

}  // namespace
