// Numeric, random, character and string helpers: boundaries, the random ranges, the absence of
// seeding (two fresh processes draw the same numbers), and the string copies' ownership.
#include "support/util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "util/test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define VT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VT_ASAN 1
#endif
#endif
#if VT_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();  // the sanitizer runtime's
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Bytes the allocator holds for the program now; 0 where it cannot tell.
size_t heap_in_use() {
#if VT_ASAN
  return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

TEST(Util, MinMaxAndClamps) {
  EXPECT_EQ(dmax(1.0, 2.0), 2.0);
  EXPECT_EQ(dmax(2.0, 1.0), 2.0);
  EXPECT_TRUE(std::signbit(dmax(0.0, -0.0)));  // equal: b wins
  EXPECT_EQ(imax(-3, 4), 4);
  EXPECT_EQ(imax(INT_MIN, INT_MAX), INT_MAX);
  EXPECT_EQ(imin(-3, 4), -3);
  EXPECT_EQ(imax0(-7), 0);
  EXPECT_EQ(imax0(7), 7);
  EXPECT_EQ(dmax0(-0.5), 0.0);
  EXPECT_EQ(dmax0(2.5), 2.5);
  EXPECT_TRUE(std::isnan(dmax0(NAN)));
}

TEST(Util, CharConversions) {
  EXPECT_EQ(char_lower('Q'), 'q');
  EXPECT_EQ(char_lower('A'), 'a');
  EXPECT_EQ(char_lower('Z'), 'z');
  EXPECT_EQ(char_lower('q'), 'q');
  EXPECT_EQ(char_lower('5'), '5');
  EXPECT_EQ(char_lower('['), '[');
  EXPECT_EQ(char_lower('@'), '@');
  EXPECT_EQ(char_lower(char(0xC4)), char(0xC4));
  EXPECT_EQ(char_code(char(0xE9)), 233);
  EXPECT_EQ(char_code('A'), 65);
  EXPECT_EQ(char_code(char(0xFF)), 255);
  EXPECT_EQ(char_code('\0'), 0);
}

TEST(Util, RandomRanges) {
  EXPECT_EQ(rand_real(0.0), 0.0);
  for (int i = 0; i < 20000; i++) {
    double r = rand_real(1.0);
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    double n = rand_real(-3.0);
    ASSERT_LE(n, 0.0);
    ASSERT_GT(n, -3.0);
    ASSERT_EQ(rand_int(1), 0);
    int k = rand_int(7);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 7);
  }
  EXPECT_EQ(rand_int(0), 0);
  EXPECT_EQ(rand_int(-5), 0);
}

TEST(Util, RandomCoversWholeRange) {
  // Two 15-bit draws make a 30-bit fraction: values spread over the whole interval.
  int buckets[10] = {};
  for (int i = 0; i < 10000; i++) buckets[rand_int(10)]++;
  for (int b : buckets) EXPECT_GT(b, 800);
  double high = 0;
  for (int i = 0; i < 10000; i++) high = std::fmax(high, rand_real(1.0));
  EXPECT_GT(high, 0.99);
}

// Prints the first draws of a fresh process; run by UnseededSequenceRepeats in a child.
TEST(Util, PrintFirstDraws) {
  if (!getenv("VT_PRINT_DRAWS")) GTEST_SKIP() << "only in the child process";
  for (int i = 0; i < 8; i++) printf("draw %.17g %d\n", rand_real(1.0), rand_int(1000));
}

TEST(Util, UnseededSequenceRepeats) {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  std::vector<std::string> argv{self, "--gtest_filter=Util.PrintFirstDraws"};
  vt_test::RunResult a = vt_test::run_program(argv, "", {"VT_PRINT_DRAWS=1"});
  vt_test::RunResult b = vt_test::run_program(argv, "", {"VT_PRINT_DRAWS=1"});
  ASSERT_EQ(a.exit_code, 0) << a.err;
  ASSERT_EQ(b.exit_code, 0) << b.err;
  // Only the draw lines count: the rest of the runner's output holds timings.
  auto draws = [](const std::string& out) {
    std::string kept;
    for (size_t at = 0; at < out.size();) {
      size_t end = out.find('\n', at);
      end = end == std::string::npos ? out.size() : end + 1;
      if (out.compare(at, 5, "draw ") == 0) kept += out.substr(at, end - at);
      at = end;
    }
    return kept;
  };
  std::string first = draws(a.out);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 8) << a.out;
  EXPECT_EQ(first, draws(b.out));
}

TEST(Util, StringCopies) {
  char* s = nullptr;
  EXPECT_EQ(string_set(&s, "hello"), 5u);
  EXPECT_STREQ(s, "hello");
  EXPECT_EQ(string_set(&s, "a longer replacement"), 20u);
  EXPECT_STREQ(s, "a longer replacement");
  // The old copy was freed: the sanitizer build reports a leak or a double free otherwise.
  EXPECT_EQ(string_set(&s, ""), 0u);
  EXPECT_STREQ(s, "");
  // Checked here too, not only by the leak report at exit (which a stale copy of the pointer on
  // the stack can hide, and which the normal build lacks): replacements keep the heap flat.
  if (heap_in_use() != 0) {
    const std::string big(4096, 'x');
    long long before = (long long)heap_in_use();
    for (int i = 0; i < 256; i++) string_set(&s, i % 2 ? big.c_str() : "short");
    EXPECT_LT((long long)heap_in_use() - before, 64 * 1024);  // leaking would keep 512 KiB
  }
  free(s);

  const char* source = "xyz";
  char* d = nullptr;
  EXPECT_EQ(string_dup(&d, source), 3u);
  EXPECT_STREQ(d, "xyz");
  EXPECT_NE(d, source);
  free(d);
}

}  // namespace
