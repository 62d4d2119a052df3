// Fuzz target for array_load: any bytes as an array file on disk either load into a consistent
// array whose elements are the file's bytes and which array_save writes back to the same bytes,
// or fail with an empty array; never an overrun or an allocation the file does not back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_temp.h"
#include "support/dyn_array.h"

namespace {

void check(bool ok) {
  if (!ok) abort();
}

std::string path_in, path_out;

bool write_all(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string base = fuzz_temp_path("array-load-fuzz");
  path_in = base + ".in";
  path_out = base + ".out";
  atexit([] {
    unlink(path_in.c_str());
    unlink(path_out.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_all(path_in, data, size)) abort();
  bool ok = true;
  DynArray a = array_load(path_in.c_str(), &ok);
  if (!ok) {
    check(a.count == 0 && a.elem_size == 1);
    array_free(a);
    return 0;
  }
  const size_t header = 5;
  size_t bytes = size_t(a.count) * a.elem_size;
  check(a.capacity >= a.count && header + bytes <= size);
  check(bytes == 0 || memcmp(a.data, data + header, bytes) == 0);
  size_t slots = size_t(a.capacity) * a.elem_size;
  if (slots) {
    volatile uint8_t last = a.data[slots - 1];  // every slot is addressable
    (void)last;
  }
  check(array_save(&a, path_out.c_str()) == 1);
  FILE* f = fopen(path_out.c_str(), "rb");
  check(f != nullptr);
  std::string back;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) back.append(buf, n);
  fclose(f);
  check(back.size() == header + bytes && memcmp(back.data(), data, back.size()) == 0);
  array_free(a);
  return 0;
}
