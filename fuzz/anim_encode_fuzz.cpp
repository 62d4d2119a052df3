// Fuzz target for ANIM encoding: the input picks a size (1 to 40 each way, so most sizes are not
// multiples of 8), a version and a sequence of index pictures built from runs of its bytes. The
// file must decode back to every picture (version 2) or to the last one (version 1, whose frames
// may merge when read).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/encode.h"
#include "fuzz/fuzz_temp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const std::string path = fuzz_temp_path("anim-encode-fuzz.anim");
  static const int removed_at_exit = atexit([] { unlink(path.c_str()); });
  (void)removed_at_exit;
  const int width = 1 + data[0] % 40, height = 1 + data[1] % 40, version = 1 + (data[2] & 1);
  const bool runs = data[2] & 2;  // bytes as (count, colour) runs, or as pixels
  data += 3;
  size -= 3;
  const size_t area = size_t(width) * height;

  std::vector<std::vector<unsigned char>> frames;
  std::vector<unsigned char> picture(area, 0);
  size_t pos = 0;
  while (pos < size && frames.size() < 8) {
    size_t i = 0;
    while (i < area && pos < size) {
      if (runs && pos + 1 < size) {
        size_t count = 1 + data[pos] % 32;
        for (size_t k = 0; k < count && i < area; k++) picture[i++] = data[pos + 1];
        pos += 2;
      } else {
        picture[i++] = data[pos++];
      }
    }
    frames.push_back(picture);
  }

  AnimFile rec = anim_writer_open_size(path.c_str(), version, width, height);
  if (!rec.file) __builtin_trap();
  for (const auto& f : frames) anim_encode_indices(&rec, f.data(), width);
  anim_close(rec);

  AnimFile anim = anim_open(path.c_str());
  if (anim.version != version) __builtin_trap();
  std::vector<unsigned char> got(area, 0);
  AnimCanvas canvas = {width, height, got.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  if (version == 2) {
    for (const auto& f : frames)
      if (!anim_decode_frame(&anim, &sink) || std::memcmp(got.data(), f.data(), area) != 0)
        __builtin_trap();
  } else {
    while (anim_decode_frame(&anim, &sink)) {
    }
    if (!frames.empty() && std::memcmp(got.data(), frames.back().data(), area) != 0)
      __builtin_trap();
  }
  anim_close(anim);
  return 0;
}
