// Fuzz target for the array file readers: any bytes either give a consistent array that writes
// back to the same bytes, or an empty array and a failure, never an overrun or a huge allocation.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/dyn_array.h"

namespace {

void check(bool ok) {
  if (!ok) abort();
}

void fuzz_reader(const uint8_t* data, size_t size, bool compact) {
  if (size == 0) return;  // fmemopen needs a buffer; the empty stream is a unit test
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return;
  bool ok = false;
  DynArray a = compact ? array_read_compact(f, &ok) : array_read(f, &ok);
  long used = ftell(f);
  fclose(f);
  if (!ok) {
    check(a.count == 0 && a.elem_size == 1);
    array_free(a);
    return;
  }
  size_t header = compact ? 5 : 16;
  size_t bytes = size_t(a.count) * a.elem_size;
  check(a.capacity >= a.count);
  check(header + bytes <= size && size_t(used) == header + bytes);
  // Every slot is addressable and the elements are the stream's bytes.
  size_t slots = size_t(a.capacity) * a.elem_size;
  if (slots) {
    volatile uint8_t last = a.data[slots - 1];
    (void)last;
  }
  check(bytes == 0 || memcmp(a.data, data + header, bytes) == 0);

  std::vector<uint8_t> out(header + bytes + 1);
  FILE* w = fmemopen(out.data(), out.size(), "wb");
  check(w != nullptr);
  check(compact ? array_write_compact(&a, w) : array_write(&a, w));
  long written = ftell(w);
  fclose(w);
  check(size_t(written) == header + bytes && memcmp(out.data(), data, header + bytes) == 0);

  if (a.elem_size && a.elem_size <= 64) {
    std::vector<uint8_t> e(a.elem_size, 0x5A);
    array_push(&a, e.data());
    check(array_find(&a, e.data()) == int32_t(a.count - 1));
    array_remove(&a, 0);
  }
  array_free(a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_reader(data, size, false);
  fuzz_reader(data, size, true);
  return 0;
}
