// Fuzz target for ANIM decoding: any bytes as a file, read as they are (version 1 unless they
// start with the header) and again behind a version 2 header, into a small memory canvas so that
// clipping is exercised. Every call must end, and the end must be reported.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"

namespace {

void decode_all(const std::string& path, size_t size) {
  AnimFile anim = anim_open(path.c_str());
  if (!anim.file) __builtin_trap();
  std::vector<unsigned char> pixels(37 * 23);
  AnimCanvas canvas = {37, 23, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  // Every frame but the last consumes at least one byte, so size + 2 calls reach the end.
  size_t calls = 0;
  while (anim_decode_frame(&anim, &sink))
    if (++calls > size + 2) __builtin_trap();
  anim_rewind(&anim);
  if (anim.frame != 0 || !anim_decode_frame(&anim, &sink)) __builtin_trap();
  anim_close(anim);
}

void write_file(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) __builtin_trap();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/anim_decode_fuzz_" + std::to_string(getpid()) + ".anim";
  std::string bytes(reinterpret_cast<const char*>(data), size);
  write_file(path, bytes);
  decode_all(path, size);
  write_file(path, std::string("ANIM2\0", 6) + bytes);
  decode_all(path, size + 6);
  return 0;
}
