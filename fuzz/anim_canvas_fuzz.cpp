// Fast fuzz target for the ANIM decoder alone: any bytes as a memory stream (fmemopen), read as
// they are (version 1 unless they start with the header) and again behind a version 2 header,
// into a small memory canvas so that clipping is exercised. No file and no OpenGL, so a campaign
// reaches millions of inputs; anim_decode_fuzz covers the OpenGL paths. Every call must end, the
// end must be reported, and decoding again after a rewind, or into a sink without its fill
// callback, must paint the same picture.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "anim/anim_file.h"
#include "anim/canvas.h"
#include "anim/decode.h"

namespace {

constexpr int W = 37, H = 23;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// A canvas that also counts the codes it is told. The canvas comes first, so the canvas sink's
// callbacks take a pointer to the whole record as theirs.
struct CountedCanvas {
  AnimCanvas canvas;
  long codes;
};

void count_code(void* user, int) { static_cast<CountedCanvas*>(user)->codes++; }

// Decodes every frame into canvas; returns the frames.
size_t decode_all(AnimFile* anim, const AnimSink* sink, size_t size) {
  // Every frame but the last consumes at least one byte, so size + 2 calls reach the end.
  size_t calls = 0;
  while (anim_decode_frame(anim, sink)) check(++calls <= size + 2);
  check(anim_at_end(anim));
  check(!anim_decode_frame(anim, sink));  // the end stays the end
  return calls;
}

void run(const uint8_t* data, size_t size) {
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  check(stream != nullptr);
  AnimFile anim = anim_open_stream(stream);
  check(anim.file != nullptr);

  // Kept across runs: allocations cost as much as decoding a small input.
  static std::vector<unsigned char> first, again;
  first.assign(W * H, 0);
  again.assign(W * H, 0);
  AnimCanvas canvas = {W, H, first.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  const size_t frames = decode_all(&anim, &sink, size);
  check(anim.frame == int(frames));

  // From the start again, without the fill callback (blocks stand in) and counting codes.
  check(anim_rewind(&anim) == 1 && anim.frame == 0);
  CountedCanvas counted = {{W, H, again.data()}, 0};
  AnimSink plain = anim_canvas_sink(&counted.canvas);
  plain.user = &counted;
  plain.fill = nullptr;
  plain.code = count_code;
  check(decode_all(&anim, &plain, size) == frames);
  check(std::memcmp(first.data(), again.data(), first.size()) == 0);
  check(anim.version == 2 || counted.codes == 0);
  anim_close(anim);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  run(data, size);
  // The decoder reads through the stream, never the buffer itself, so it may be larger.
  static std::vector<uint8_t> v2;
  v2.resize(size + ANIM_HEADER_SIZE);
  std::memcpy(v2.data(), "ANIM2", ANIM_HEADER_SIZE);
  if (size) std::memcpy(v2.data() + ANIM_HEADER_SIZE, data, size);
  run(v2.data(), v2.size());
  return 0;
}
