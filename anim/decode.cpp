// ANIM frame decoding into a sink: the version 1 records and the version 2 codes (single points,
// seven block kinds with their moves, skipped bytes, the end byte 254). Bytes stream from the
// buffered file; operands are read whole so that a block cut off by the end of the file is dropped.
#include "anim/decode.h"

#include "anim/format.h"

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
  while (have < ANIM_RECORD_SIZE && anim->peeked_used < anim->peeked_len)
    rec[have++] = anim->peeked[anim->peeked_used++];
  if (have < ANIM_RECORD_SIZE) have += read_bytes(rec + have, ANIM_RECORD_SIZE - have, anim->file);
  return have;
}

// Returns the bytes of the file the frame took.
long long decode_version1(AnimFile* anim, const AnimSink* sink) {
  long long used = 0;
  int previous_x = 0;
  unsigned char rec[ANIM_RECORD_SIZE];
  for (;;) {
    size_t got = read_record(anim, rec);
    used += got;
    if (got != ANIM_RECORD_SIZE) break;
    uint32_t word =
        uint32_t(rec[0]) | uint32_t(rec[1]) << 8 | uint32_t(rec[2]) << 16 | uint32_t(rec[3]) << 24;
    int x = int(word >> ANIM_RECORD_X_SHIFT);
    if (x >= ANIM_RECORD_X_SIGN) x -= ANIM_RECORD_X_WRAP;  // signed 12-bit field
    int y = int((word >> ANIM_RECORD_Y_SHIFT) & ANIM_RECORD_FIELD_MASK);
    sink->pixel(sink->user, x, y, int(word & ANIM_RECORD_INDEX_MASK));
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
  int64_t bx = ANIM_CURSOR_START, by = ANIM_CURSOR_START;
  unsigned char ops[1 + 2 * ANIM_SPARSE_MAX];
  unsigned char index[ANIM_BLOCK_PIXELS];
  for (;;) {
    int code = read_byte(f);
    if (code == EOF) break;
    used++;
    if (code == ANIM_CODE_END) break;
    if (sink->code) sink->code(sink->user, code);
    if (code <= ANIM_CODE_POINT_LAST) {
      if (!take(ops, ANIM_POINT_OPERANDS)) break;
      const int y_low = 8, y_high_mask = (1 << ANIM_POINT_Y_HIGH_BITS) - 1;
      int x = code << ANIM_POINT_X_LOW_BITS | ops[0] >> ANIM_POINT_Y_HIGH_BITS;
      int y = (ops[0] & y_high_mask) << y_low | ops[1];
      sink->pixel(sink->user, x, y, ops[2]);
      bx = x >> ANIM_BLOCK_SHIFT;
      by = y >> ANIM_BLOCK_SHIFT;
      continue;
    }
    if (code >= ANIM_CODE_UNUSED_FIRST) continue;  // no meaning: skipped
    int kind = code >> ANIM_KIND_SHIFT, move = code & ANIM_MOVE_MASK;
    if (move == ANIM_MOVE_ABSOLUTE) {
      if (!take(ops, ANIM_POSITION_BYTES)) break;
      bx = ops[0];
      by = ops[1];
    } else if (move <= ANIM_MOVE_UP_LAST) {
      by -= move;
    } else {
      bx -= 1;
      by += ANIM_MOVE_LEFT_BASE - move;
    }
    bool visible = bx > -FAR_AWAY && bx < FAR_AWAY && by > -FAR_AWAY && by < FAR_AWAY;
    int x0 = visible ? int(bx * ANIM_BLOCK_SIDE) : 0, y0 = visible ? int(by * ANIM_BLOCK_SIDE) : 0;
    switch (kind) {
      case ANIM_KIND_FULL:
        if (!take(index, ANIM_FULL_BYTES)) goto done;
        break;
      case ANIM_KIND_PAL16:
        if (!take(ops, ANIM_PAL16_BYTES)) goto done;
        unpack_slots(ops + ANIM_PAL16_COLOURS, ANIM_PAL16_BITS, ops, index);
        break;
      case ANIM_KIND_PAL4:
        if (!take(ops, ANIM_PAL4_BYTES)) goto done;
        unpack_slots(ops + ANIM_PAL4_COLOURS, ANIM_PAL4_BITS, ops, index);
        break;
      case ANIM_KIND_TWO:
        if (!take(ops, ANIM_TWO_BYTES)) goto done;
        unpack_slots(ops + ANIM_TWO_COLOURS, ANIM_TWO_BITS, ops, index);
        break;
      case ANIM_KIND_PAL8:
        if (!take(ops, ANIM_PAL8_BYTES)) goto done;
        unpack_slots(ops + ANIM_PAL8_COLOURS, ANIM_PAL8_BITS, ops, index);
        break;
      case ANIM_KIND_SPARSE: {
        int n = read_byte(f);
        if (n == EOF) goto done;
        used++;
        if (!take(ops, size_t(2 * n))) goto done;
        if (visible)
          for (int i = 0; i < n; i++) {
            int p = ops[2 * i];
            sink->pixel(sink->user, x0 + ((p >> ANIM_SPARSE_COLUMN_SHIFT) & ANIM_SPARSE_ROW_MASK),
                        y0 + (p & ANIM_SPARSE_ROW_MASK), ops[2 * i + 1]);
          }
        continue;
      }
      default: {  // ANIM_KIND_FILL: one colour
        int c = read_byte(f);
        if (c == EOF) goto done;
        used++;
        if (!visible) continue;
        if (sink->fill) {
          sink->fill(sink->user, x0, y0, c);
          continue;
        }
        for (int i = 0; i < ANIM_BLOCK_PIXELS; i++) index[i] = (unsigned char)c;
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
