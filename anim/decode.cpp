// ANIM frame decoding into a sink: the version 1 records and the version 2 codes (single points,
// seven block kinds with their moves, skipped bytes, the end byte 254). Bytes stream from the
// buffered file; operands are read whole so that a block cut off by the end of the file is dropped.
#include "anim/decode.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

#if defined(__GLIBC__)
inline int read_byte(FILE* f) { return getc_unlocked(f); }
inline size_t read_bytes(unsigned char* out, size_t n, FILE* f) {
  return fread_unlocked(out, 1, n, f);
}
#else
inline int read_byte(FILE* f) { return std::getc(f); }
inline size_t read_bytes(unsigned char* out, size_t n, FILE* f) { return std::fread(out, 1, n, f); }
#endif

// Blocks further out than this from the origin are off every picture; they are read but not
// delivered, which also keeps pixel coordinates well inside int.
constexpr int64_t FAR_AWAY = int64_t(1) << 24;

// Fills a version 1 record, first from the bytes anim_open peeked at on a pipe, then from the
// stream. Returns the bytes taken.
size_t read_record(AnimFile* anim, unsigned char* rec) {
  size_t have = 0;
  while (have < 4 && anim->peeked_used < anim->peeked_len)
    rec[have++] = anim->peeked[anim->peeked_used++];
  if (have < 4) have += read_bytes(rec + have, 4 - have, anim->file);
  return have;
}

// Returns the bytes of the file the frame took.
long long decode_version1(AnimFile* anim, const AnimSink* sink) {
  long long used = 0;
  int previous_x = 0;
  unsigned char rec[4];
  for (;;) {
    size_t got = read_record(anim, rec);
    used += got;
    if (got != 4) break;
    uint32_t word =
        uint32_t(rec[0]) | uint32_t(rec[1]) << 8 | uint32_t(rec[2]) << 16 | uint32_t(rec[3]) << 24;
    int x = int(word >> 20);
    if (x >= 2048) x -= 4096;  // signed 12-bit field
    int y = int((word >> 8) & 0xFFF);
    sink->pixel(sink->user, x, y, int(word & 0xFF));
    if (x < previous_x) break;  // this record was the frame's last
    previous_x = x;
  }
  return used;
}

// The 1-, 2- and 4-bit kinds a nibble at a time, through a table of the slots each nibble unpacks
// to: for 2-bit blocks, the commonest kind in pictures that change everywhere, that is a quarter of
// the lookups of a slot at a time.
template <int BITS>
void unpack_by_nibble(const unsigned char* packed, const unsigned char* palette,
                      unsigned char* index) {
  constexpr int per_nibble = 4 / BITS, mask = (1 << BITS) - 1;
  unsigned char nibble[16][per_nibble];
  for (int n = 0; n < 16; n++)
    for (int k = 0; k < per_nibble; k++) nibble[n][k] = palette[(n >> (4 - BITS * (k + 1))) & mask];
  for (int i = 0; i < 8 * BITS; i++, index += 2 * per_nibble) {
    std::memcpy(index, nibble[packed[i] >> 4], per_nibble);
    std::memcpy(index + per_nibble, nibble[packed[i] & 15], per_nibble);
  }
}

// Unpacks 64 n-bit slots (n = 1, 2, 4 or 3) of packed rows through a local palette.
void unpack_slots(const unsigned char* packed, int bits, const unsigned char* palette,
                  unsigned char* index) {
  if (bits == 3) {
    // Eight groups of three bytes, each 24 bits holding eight 3-bit slots, most significant first.
    for (int g = 0; g < 8; g++) {
      uint32_t v = uint32_t(packed[0]) << 16 | uint32_t(packed[1]) << 8 | packed[2];
      packed += 3;
      for (int k = 0; k < 8; k++) index[g * 8 + k] = palette[(v >> (21 - 3 * k)) & 7];
    }
    return;
  }
  if (bits == 4)
    unpack_by_nibble<4>(packed, palette, index);
  else if (bits == 2)
    unpack_by_nibble<2>(packed, palette, index);
  else
    unpack_by_nibble<1>(packed, palette, index);
}

// Counts every byte it takes into *used (operands cut off by the end: the bytes that came).
void decode_version2(FILE* f, const AnimSink* sink, long long* used_out) {
  long long used = 0;
  // Reads n operand bytes, counting them; false when the file ends first.
  auto take = [&](unsigned char* out, size_t n) {
    size_t got = read_bytes(out, n, f);
    used += got;
    return got == n;
  };
  int64_t bx = -100, by = -100;
  unsigned char ops[1 + 2 * 255];
  unsigned char index[64];
  for (;;) {
    int code = read_byte(f);
    if (code == EOF) break;
    used++;
    if (code == 254) break;
    if (sink->code) sink->code(sink->user, code);
    if (code < 0x40) {  // single point
      if (!take(ops, 3)) break;
      int x = code * 32 + (ops[0] >> 3), y = (ops[0] & 7) * 256 + ops[1];
      sink->pixel(sink->user, x, y, ops[2]);
      bx = x >> 3;
      by = y >> 3;
      continue;
    }
    if (code >= 0xB0) continue;  // no meaning: skipped
    int kind = code >> 4, move = code & 15;
    if (move == 0) {
      if (!take(ops, 2)) break;
      bx = ops[0];
      by = ops[1];
    } else if (move <= 5) {
      by -= move;
    } else {
      bx -= 1;
      by += 10 - move;
    }
    bool visible = bx > -FAR_AWAY && bx < FAR_AWAY && by > -FAR_AWAY && by < FAR_AWAY;
    int x0 = visible ? int(bx * 8) : 0, y0 = visible ? int(by * 8) : 0;
    switch (kind) {
      case 4:
        if (!take(index, 64)) goto done;
        break;
      case 5:
        if (!take(ops, 48)) goto done;
        unpack_slots(ops + 16, 4, ops, index);
        break;
      case 6:
        if (!take(ops, 20)) goto done;
        unpack_slots(ops + 4, 2, ops, index);
        break;
      case 7:
        if (!take(ops, 10)) goto done;
        unpack_slots(ops + 2, 1, ops, index);
        break;
      case 8:
        if (!take(ops, 32)) goto done;
        unpack_slots(ops + 8, 3, ops, index);
        break;
      case 9: {
        int n = read_byte(f);
        if (n == EOF) goto done;
        used++;
        if (!take(ops, size_t(2 * n))) goto done;
        if (visible)
          for (int i = 0; i < n; i++) {
            int p = ops[2 * i];
            sink->pixel(sink->user, x0 + ((p >> 3) & 7), y0 + (p & 7), ops[2 * i + 1]);
          }
        continue;
      }
      default: {  // 10: one colour
        int c = read_byte(f);
        if (c == EOF) goto done;
        used++;
        if (!visible) continue;
        if (sink->fill) {
          sink->fill(sink->user, x0, y0, c);
          continue;
        }
        for (int i = 0; i < 64; i++) index[i] = (unsigned char)c;
        break;
      }
    }
    if (visible) sink->block(sink->user, x0, y0, index);
  }
done:
  *used_out = used;
}

}  // namespace

int anim_decode_frame(AnimFile* anim, const AnimSink* sink) {
  if (anim_at_end(anim)) return 0;
  long long used = 0;
  if (anim->version == 1)
    used = decode_version1(anim, sink);
  else
    decode_version2(anim->file, sink, &used);
  anim->offset += used;
  anim->frame++;
  return 1;
}
