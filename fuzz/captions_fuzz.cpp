// Fuzz target for the caption reader: arbitrary bytes as a caption file, read line by line from
// memory with file_getline and as a whole with load_captions; every line and caption is checked.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "captions/captions.h"
#include "fuzz/fuzz_temp.h"

namespace {

std::string temp_path() {
  return fuzz_temp_path("captions-fuzz") + ".txt";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Line by line from a memory stream: each line must hold no terminator byte, and the lines
  // together can never be longer than the input.
  if (size > 0) {
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (f) {
      size_t total = 0, lines = 0;
      while (char* line = file_getline(f)) {
        size_t n = strlen(line);
        if (strpbrk(line, "\r\n")) abort();
        total += n;
        if (total > size || ++lines > size + 1) abort();
        free(line);
      }
      fclose(f);
    }
  }

  static const std::string path = temp_path();
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) return 0;
  fwrite(data, 1, size, out);
  fclose(out);
  DynArray list = load_captions(path.c_str());
  const Caption* caps = reinterpret_cast<const Caption*>(list.data);
  for (uint32_t i = 0; i < list.count; i++) {
    if (!caps[i].text || strlen(caps[i].text) > size) abort();
  }
  free_captions(list);
  return 0;
}
