// Fuzz target for animtool check and compressed .anim files: any bytes as a file are checked
// (compressed data included, damaged or not); then the same bytes, stored through our gzip and zstd
// writers, must read back as exactly the plain file: the same frames, pixels and check report.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/compressed.h"
#include "anim/decode.h"
#include "fuzz/fuzz_temp.h"
#include "tools/animtool_check.h"

namespace {

void write_file(const std::string& path, const std::string& bytes, int compression) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) __builtin_trap();
  if (compression != ANIM_PLAIN) f = anim_compressing(f, compression, 1);
  if (!f) __builtin_trap();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  if (anim_stream_close(f) != 0) __builtin_trap();
}

// What reading a file gives: its frames' pictures on a small canvas, one after another, and the
// check report; empty when the file was refused.
struct Reading {
  bool refused = false;
  std::vector<unsigned char> pictures;
  std::string report;
};

Reading read(const std::string& path, size_t limit) {
  Reading out;
  AnimFile anim = anim_open(path.c_str());
  if (!anim.file) {
    if (!anim.refused) __builtin_trap();
    out.refused = true;
    return out;
  }
  std::vector<unsigned char> pixels(19 * 13);
  AnimCanvas canvas = {19, 13, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  size_t calls = 0;
  while (anim_decode_frame(&anim, &sink) && anim.offset <= (long long)limit) {
    out.pictures.insert(out.pictures.end(), pixels.begin(), pixels.end());
    if (++calls > limit + 2) __builtin_trap();
  }
  if (!anim_rewind(&anim)) __builtin_trap();
  CheckReport report = animtool_check(&anim);
  out.report = report.problem + "@" + std::to_string(report.offset) + "/" +
               std::to_string(report.frame) + " " + std::to_string(report.frames);
  anim_close(anim);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz_temp_path("animtool-check-fuzz.anim");
  static const int removed_at_exit = atexit([] { unlink(path.c_str()); });
  (void)removed_at_exit;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // As it is: compressed input may unpack to far more than its size, so a bound on the frames.
  write_file(path, bytes, ANIM_PLAIN);
  Reading plain = read(path, size_t(1) << 20);
  if (anim_compression_of(data, size) != ANIM_PLAIN) return 0;
  for (int compression : {ANIM_GZIP, ANIM_ZSTD}) {
    if (!anim_stream_can_write(compression)) continue;
    write_file(path, bytes, compression);
    Reading packed = read(path, size_t(1) << 20);
    if (packed.refused != plain.refused || packed.pictures != plain.pictures) __builtin_trap();
    // The reports agree but for the stream's own failure, which a whole file never has.
    if (!plain.refused && packed.report != plain.report) __builtin_trap();
  }
  return 0;
}
