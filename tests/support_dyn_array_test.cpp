// DynArray: the capacity sequence, shrinking with hysteresis, alias tracking, ordering of the
// removals, both file formats byte for byte, and array files that are short or lie in their header.
#include "support/dyn_array.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/test_util.h"

namespace {

struct Elem12 {
  uint32_t a, b, c;
};

DynArray with_ints(std::initializer_list<int32_t> values) {
  DynArray a = array_new(4);
  for (int32_t v : values) array_push(&a, &v);
  return a;
}

std::vector<int32_t> ints(const DynArray& a) {
  std::vector<int32_t> out(a.count);
  if (a.count) memcpy(out.data(), a.data, a.count * 4);
  return out;
}

std::string bytes_of(std::initializer_list<uint8_t> b) { return std::string(b.begin(), b.end()); }

DynArray read_from(const std::string& bytes, bool compact, bool* ok) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  DynArray a = compact ? array_read_compact(f, ok) : array_read(f, ok);
  fclose(f);
  return a;
}

TEST(DynArray, NewHasDefaults) {
  DynArray a = array_new(12);
  EXPECT_EQ(a.capacity, 1u);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.min_capacity, 1u);
  EXPECT_EQ(a.min_fill, 60.0f);
  EXPECT_EQ(a.alias, nullptr);
  EXPECT_NE(a.data, nullptr);
  array_free(a);
}

TEST(DynArray, PushGrowsThroughTheCapacitySequence) {
  DynArray a = array_new(4);
  const uint32_t expected[] = {1, 2, 3, 5, 7, 10, 13, 17, 22, 28, 36, 46, 58, 73};
  std::vector<uint32_t> seen{a.capacity};
  for (int32_t i = 0; i < 60; i++) {
    EXPECT_EQ(array_push(&a, &i), uint32_t(i));
    if (seen.back() != a.capacity) seen.push_back(a.capacity);
  }
  ASSERT_GE(seen.size(), 14u);
  for (size_t i = 0; i < 14; i++) EXPECT_EQ(seen[i], expected[i]) << "step " << i;
  for (int32_t i = 0; i < 60; i++) EXPECT_EQ(reinterpret_cast<int32_t*>(a.data)[i], i);
  array_free(a);
}

TEST(DynArray, FourteenthPushMovesThirteenToSeventeen) {
  DynArray a = array_new(4);
  for (int32_t i = 0; i < 13; i++) array_push(&a, &i);
  EXPECT_EQ(a.capacity, 13u);
  int32_t v = 13;
  array_push(&a, &v);
  EXPECT_EQ(a.capacity, 17u);
  array_free(a);
}

TEST(DynArray, GrowUsesTheSumAndLeavesNewElementsAtTheEnd) {
  DynArray a = with_ints({1, 2});
  int32_t* first = static_cast<int32_t*>(array_grow(&a, 8));
  EXPECT_EQ(a.count, 10u);
  EXPECT_EQ(a.capacity, 12u);  // trunc(10 / 0.8)
  EXPECT_EQ(first, reinterpret_cast<int32_t*>(a.data) + 2);
  EXPECT_EQ(ints(a)[1], 2);
  array_grow(&a, 0);
  EXPECT_EQ(a.capacity, 12u);
  array_free(a);
}

TEST(DynArray, FullFillLeavesNoSlack) {
  DynArray a = array_new(4);
  a.min_fill = 100.0f;
  for (int32_t i = 0; i < 6; i++) array_push(&a, &i);
  EXPECT_EQ(a.capacity, 6u);
  a.min_fill = 0.0f;  // D = 0.5: doubles
  int32_t v = 7;
  array_push(&a, &v);
  EXPECT_EQ(a.capacity, 14u);
  array_free(a);
}

TEST(DynArray, RemovingShrinksAtSevenOfThirteen) {
  DynArray a = array_new(4);
  for (int32_t i = 0; i < 11; i++) array_push(&a, &i);
  ASSERT_EQ(a.capacity, 13u);
  array_remove(&a, 0);
  EXPECT_EQ(a.capacity, 13u);  // 10
  array_remove(&a, 0);
  EXPECT_EQ(a.capacity, 13u);  // 9
  array_remove(&a, 0);
  EXPECT_EQ(a.capacity, 13u);  // 8
  array_remove(&a, 0);
  EXPECT_EQ(a.count, 7u);
  EXPECT_EQ(a.capacity, 8u);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{4, 5, 6, 7, 8, 9, 10}));
  array_free(a);
}

TEST(DynArray, NeverShrinksBelowMinCapacity) {
  DynArray a = array_new_sized(4, 10, 1);
  for (int i = 0; i < 10; i++) array_remove_swap(&a, 0);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.capacity, 10u);
  for (int32_t i = 0; i < 30; i++) array_push(&a, &i);
  while (a.count) array_remove(&a, a.count - 1);
  EXPECT_EQ(a.capacity, 10u);
  array_free(a);
}

TEST(DynArray, RemovalsKeepOrSwapOrder) {
  DynArray a = with_ints({10, 20, 30});
  array_remove_swap(&a, 0);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{30, 20}));
  array_remove_swap(&a, 1);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{30}));
  array_free(a);

  a = with_ints({10, 20, 30});
  array_remove(&a, 0);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{20, 30}));
  array_remove(&a, 2);  // beyond count: nothing
  array_remove_swap(&a, 7);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{20, 30}));
  array_free(a);

  DynArray empty = array_new(4);
  array_remove(&empty, 0);
  array_remove_swap(&empty, 0);
  EXPECT_EQ(empty.count, 0u);
  array_free(empty);
}

TEST(DynArray, InsertMovesLaterElementsUp) {
  DynArray a = with_ints({1, 2, 3});
  int32_t v = 9;
  array_insert(&a, &v, 1);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{1, 9, 2, 3}));
  array_insert(&a, &v, 4);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{1, 9, 2, 3, 9}));
  array_insert(&a, &v, 100);  // beyond count: appended, nothing written out of bounds
  EXPECT_EQ(a.count, 6u);
  // An element taken from the array itself, while the insert reallocates.
  while (a.count < a.capacity) array_push(&a, &v);
  int32_t last = ints(a).back();
  array_insert(&a, reinterpret_cast<int32_t*>(a.data) + a.count - 1, 0);
  EXPECT_EQ(ints(a).front(), last);
  array_free(a);
}

TEST(DynArray, PushOfOwnElementAcrossReallocation) {
  DynArray a = with_ints({5, 6});
  ASSERT_EQ(a.count, a.capacity);
  array_push(&a, a.data + 4);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{5, 6, 6}));
  array_free(a);
}

TEST(DynArray, FindSearchesFromTheEnd) {
  DynArray a = with_ints({7, 1, 4, 2, 9, 4, 3});
  int32_t key = 4, missing = 8;
  EXPECT_EQ(array_find(&a, &key), 5);
  EXPECT_EQ(array_find(&a, &missing), -1);
  array_remove_value(&a, &key);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{7, 1, 4, 2, 9, 3}));
  array_remove_value(&a, &missing);
  EXPECT_EQ(a.count, 6u);
  array_free(a);
}

TEST(DynArray, AliasFollowsTheBuffer) {
  DynArray a = array_new(4);
  int32_t* p = nullptr;
  EXPECT_EQ(array_set_alias(&a, &p), nullptr);
  EXPECT_EQ(p, reinterpret_cast<int32_t*>(a.data));
  for (int32_t i = 0; i < 20; i++) {
    array_push(&a, &i);
    ASSERT_EQ(p, reinterpret_cast<int32_t*>(a.data));
  }
  EXPECT_EQ(p[19], 19);
  array_grow(&a, 100);
  EXPECT_EQ(p, reinterpret_cast<int32_t*>(a.data));
  while (a.count > 3) array_remove(&a, 0);
  EXPECT_EQ(p, reinterpret_cast<int32_t*>(a.data));
  array_shrink_to_fit(&a);
  EXPECT_EQ(p, reinterpret_cast<int32_t*>(a.data));
  array_clear(&a);
  EXPECT_EQ(p, reinterpret_cast<int32_t*>(a.data));

  int32_t* q = nullptr;
  EXPECT_EQ(array_set_alias(&a, &q), reinterpret_cast<void**>(&p));
  EXPECT_NE(p, nullptr);  // the previous variable is not cleared
  array_free(a);
  EXPECT_EQ(q, nullptr);
}

TEST(DynArray, DeleteNullsAliasAndFreesRecord) {
  DynArray* a = static_cast<DynArray*>(malloc(sizeof(DynArray)));
  *a = array_new(8);
  double* d = nullptr;
  array_set_alias(a, &d);
  EXPECT_NE(d, nullptr);
  array_delete(a);
  EXPECT_EQ(d, nullptr);
}

TEST(DynArray, ShrinkToFitAndClear) {
  DynArray a = array_new(4);
  array_shrink_to_fit(&a);
  EXPECT_EQ(a.capacity, 0u);
  int32_t v = 3;
  array_push(&a, &v);
  EXPECT_EQ(a.capacity, 1u);
  array_free(a);

  DynArray b = array_new_sized(4, 50, 1);
  EXPECT_EQ(b.count, 50u);
  array_clear(&b);
  EXPECT_EQ(b.count, 0u);
  EXPECT_EQ(b.capacity, 50u);
  array_free(b);
}

TEST(DynArray, CloneCopiesWholeBuffer) {
  DynArray a = with_ints({1, 2, 3});
  int32_t* p = nullptr;
  array_set_alias(&a, &p);
  reinterpret_cast<int32_t*>(a.data)[a.capacity - 1] = 77;  // an unused slot is copied too
  DynArray c = array_clone(a);
  EXPECT_NE(c.data, a.data);
  EXPECT_EQ(c.alias, nullptr);
  EXPECT_EQ(c.capacity, a.capacity);
  EXPECT_EQ(memcmp(c.data, a.data, a.capacity * 4), 0);
  array_free(c);
  EXPECT_NE(p, nullptr);
  array_free(a);
}

int compare_ints(const void* x, const void* y) {
  int32_t a = *static_cast<const int32_t*>(x), b = *static_cast<const int32_t*>(y);
  return (a > b) - (a < b);
}

TEST(DynArray, SortOrdersElements) {
  DynArray a = with_ints({5, -1, 3, 3, 0});
  array_sort(&a, compare_ints);
  EXPECT_EQ(ints(a), (std::vector<int32_t>{-1, 0, 3, 3, 5}));
  array_free(a);
}

TEST(DynArray, NextPow2AndUmax) {
  EXPECT_EQ(next_pow2(0), 0u);
  EXPECT_EQ(next_pow2(1), 1u);
  EXPECT_EQ(next_pow2(2), 2u);
  EXPECT_EQ(next_pow2(3), 4u);
  EXPECT_EQ(next_pow2(5), 8u);
  EXPECT_EQ(next_pow2(1024), 1024u);
  EXPECT_EQ(next_pow2(1025), 2048u);
  EXPECT_EQ(next_pow2(0x80000000u), 0x80000000u);
  EXPECT_EQ(next_pow2(0x80000001u), 0u);
  EXPECT_EQ(umax(3, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

// ---- Files ---------------------------------------------------------------------------------------

DynArray five_elem12() {
  DynArray a = array_new(12);
  for (uint32_t i = 0; i < 5; i++) {
    Elem12 e{i, i * 100, 0xA0B0C0D0u + i};
    array_push(&a, &e);
  }
  return a;
}

TEST(DynArrayFile, CompactFormatBytes) {
  vt_test::TempDir dir;
  DynArray a = five_elem12();
  ASSERT_EQ(array_save(&a, dir.file("a.arr").c_str()), 1);
  std::string bytes = vt_test::read_file(dir.file("a.arr"));
  ASSERT_EQ(bytes.size(), 65u);
  EXPECT_EQ(bytes.substr(0, 5), bytes_of({5, 0, 0, 0, 12}));
  EXPECT_EQ(bytes.substr(5 + 12, 4), bytes_of({1, 0, 0, 0}));  // element 1, first field
  EXPECT_EQ(memcmp(bytes.data() + 5, a.data, 60), 0);

  bool ok = false;
  DynArray b = array_load(dir.file("a.arr").c_str(), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(b.count, 5u);
  EXPECT_EQ(b.capacity, 6u);
  EXPECT_EQ(b.elem_size, 12u);
  EXPECT_EQ(b.min_capacity, 1u);
  EXPECT_EQ(b.min_fill, 60.0f);
  EXPECT_EQ(memcmp(b.data, a.data, 60), 0);
  array_free(a);
  array_free(b);
}

TEST(DynArrayFile, FullFormatBytes) {
  DynArray a = five_elem12();
  a.min_capacity = 3;
  a.min_fill = 50.0f;
  FILE* f = tmpfile();
  ASSERT_EQ(array_write(&a, f), 1);
  ASSERT_EQ(ftell(f), 76);
  rewind(f);
  uint8_t header[16];
  ASSERT_EQ(fread(header, 1, 16, f), 16u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 16),
            bytes_of({5, 0, 0, 0, 12, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x00, 0x48, 0x42}));
  rewind(f);
  bool ok = false;
  DynArray b = array_read(f, &ok);
  fclose(f);
  EXPECT_TRUE(ok);
  EXPECT_EQ(b.count, 5u);
  EXPECT_EQ(b.capacity, 6u);  // trunc(5 / 0.75)
  EXPECT_EQ(b.min_capacity, 3u);
  EXPECT_EQ(b.min_fill, 50.0f);
  EXPECT_EQ(b.alias, nullptr);
  EXPECT_EQ(memcmp(b.data, a.data, 60), 0);
  array_free(a);
  array_free(b);
}

TEST(DynArrayFile, SeveralArraysInOneStream) {
  DynArray a = with_ints({1, 2, 3}), b = with_ints({});
  FILE* f = tmpfile();
  array_write_compact(&a, f);
  array_write(&b, f);
  array_write_compact(&a, f);
  rewind(f);
  bool ok1, ok2, ok3;
  DynArray r1 = array_read_compact(f, &ok1), r2 = array_read(f, &ok2),
           r3 = array_read_compact(f, &ok3);
  fclose(f);
  EXPECT_TRUE(ok1 && ok2 && ok3);
  EXPECT_EQ(ints(r1), ints(a));
  EXPECT_EQ(r2.count, 0u);
  EXPECT_EQ(ints(r3), ints(a));
  for (DynArray x : {a, b, r1, r2, r3}) array_free(x);
}

TEST(DynArrayFile, SaveAndLoadReportUnopenablePaths) {
  vt_test::TempDir dir;
  DynArray a = with_ints({1});
  EXPECT_EQ(array_save(&a, dir.file("no/such/dir/a.arr").c_str()), 0);
  EXPECT_EQ(array_save(&a, dir.path.c_str()), 0);  // a directory
  bool ok = true;
  DynArray b = array_load(dir.file("missing.arr").c_str(), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(b.count, 0u);
  array_free(b);
  array_free(a);
}

TEST(DynArrayFile, CompactRefusesWideElements) {
  vt_test::TempDir dir;
  DynArray a = array_new(256);
  array_grow(&a, 1);
  EXPECT_EQ(array_save(&a, dir.file("w.arr").c_str()), 0);
  EXPECT_FALSE(vt_test::file_exists(dir.file("w.arr")));
  array_free(a);
}

TEST(DynArrayFile, HostileHeadersGiveEmptyArrayAndFailure) {
  struct Case {
    const char* what;
    bool compact;
    std::string bytes;
  };
  std::string eight_bytes(8, 'x');
  const Case cases[] = {
      {"empty full", false, ""},
      {"empty compact", true, ""},
      {"short full header", false, bytes_of({1, 0, 0, 0, 4, 0, 0})},
      {"short compact header", true, bytes_of({1, 0, 0})},
      {"truncated compact data", true, bytes_of({3, 0, 0, 0, 4}) + eight_bytes},
      {"truncated full data", false,
       bytes_of({3, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42}) + eight_bytes},
      {"huge compact count", true, bytes_of({0xFF, 0xFF, 0xFF, 0xFF, 255}) + eight_bytes},
      {"count x size overflows", false,
       bytes_of({0, 0, 0, 0x40, 0, 0, 0, 0x40, 1, 0, 0, 0, 0, 0, 0x70, 0x42}) + eight_bytes},
      {"capacity overflows", false,
       bytes_of({0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42})},
      {"huge element size", false,
       bytes_of({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0x70, 0x42}) + eight_bytes},
      {"huge min capacity", false,
       bytes_of({0, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0x70, 0x42})},
      {"min fill above 100", false,
       bytes_of({2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x48, 0x43}) + eight_bytes},
      {"min fill NaN", false,
       bytes_of({2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xC0, 0x7F}) + eight_bytes},
      {"negative min fill", false,
       bytes_of({2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x80, 0xBF}) + eight_bytes},
  };
  for (const Case& c : cases) {
    bool ok = true;
    DynArray a = read_from(c.bytes, c.compact, &ok);
    EXPECT_FALSE(ok) << c.what;
    EXPECT_EQ(a.count, 0u) << c.what;
    EXPECT_EQ(a.elem_size, 1u) << c.what;
    EXPECT_GE(a.capacity, a.count) << c.what;
    array_free(a);
  }
}

TEST(DynArrayFile, ExactLengthAndZeroCountAreAccepted) {
  bool ok = false;
  DynArray a = read_from(bytes_of({2, 0, 0, 0, 4}) + std::string(8, 'y'), true, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(a.count, 2u);
  EXPECT_EQ(a.capacity, 2u);  // trunc(2 / 0.8)
  array_free(a);
  a = read_from(bytes_of({0, 0, 0, 0, 4}), true, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.capacity, 1u);
  array_free(a);
}

TEST(DynArrayFile, LargeArrayThroughChunkedRead) {
  DynArray a = array_new(4);
  for (int32_t i = 0; i < 100000; i++) array_push(&a, &i);
  FILE* f = tmpfile();
  array_write_compact(&a, f);
  rewind(f);
  bool ok = false;
  DynArray b = array_read_compact(f, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(b.count, 100000u);
  EXPECT_EQ(b.capacity, 125000u);
  EXPECT_EQ(memcmp(a.data, b.data, 400000), 0);
  // Cut the same file one byte short: refused.
  fflush(f);
  ASSERT_EQ(ftruncate(fileno(f), 5 + 400000 - 1), 0);
  rewind(f);
  DynArray c = array_read_compact(f, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(c.count, 0u);
  fclose(f);
  array_free(a);
  array_free(b);
  array_free(c);
}

TEST(DynArrayFile, ArraysAsLargeAsTheFileReallyHolds) {
  // Just over 256 MiB of one-byte elements (min_fill 100: no slack), in a sparse file.
  const uint32_t count = (1u << 28) + 16;
  vt_test::TempDir dir;
  std::string path = dir.file("big.arr");
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::string header = bytes_of({uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                                 uint8_t(count >> 24), 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xC8, 0x42});
  fwrite(header.data(), 1, header.size(), f);
  ASSERT_EQ(ftruncate(fileno(f), off_t(16) + count - 1), 0);
  fseek(f, 0, SEEK_END);
  fputc(0x5A, f);  // the last element
  fclose(f);
  f = fopen(path.c_str(), "rb");
  bool ok = false;
  DynArray a = array_read(f, &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(a.count, count);
  EXPECT_EQ(a.data[count - 1], 0x5A);
  array_free(a);
  // One element fewer in the file than the header claims: refused.
  ASSERT_EQ(truncate(path.c_str(), off_t(16) + count - 1), 0);
  rewind(f);
  a = array_read(f, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(a.count, 0u);
  array_free(a);
  fclose(f);
}

}  // namespace
