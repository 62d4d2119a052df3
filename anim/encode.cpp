// ANIM frame encoder for pictures of palette indices. Version 2 chooses per changed block between
// single points (4 bytes a pixel), a sparse list (kind 9) and the palette kind for its number of
// colours (10, 7, 6, 8, 5, 4); ties go to points, then to the sparse list. Every byte follows the
// decoder's reading of the format, so other readers of these files see the same frames.
#include "anim/encode.h"

#include "anim/format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

struct Out {
  std::vector<unsigned char> bytes;
  void put(int b) { bytes.push_back((unsigned char)b); }
};

void encode_version1(AnimFile* anim, const unsigned char* index, int stride, Out* out) {
  for (int x = 0; x < anim->width; x++) {
    unsigned char* column = anim->columns[x];
    for (int y = 0; y < anim->height; y++) {
      int c = index[size_t(y) * stride + x];
      if (c == column[y]) continue;
      uint32_t word = uint32_t(x) << ANIM_RECORD_X_SHIFT | uint32_t(y) << ANIM_RECORD_Y_SHIFT | uint32_t(c);
      out->put(word & 0xFF);
      out->put((word >> 8) & 0xFF);
      out->put((word >> 16) & 0xFF);
      out->put(word >> 24);
      column[y] = (unsigned char)c;
    }
  }
}

// Operand bytes of the palette kind for d distinct colours, and the kind itself.
int palette_kind(int d) {
  if (d == 1) return ANIM_KIND_FILL;
  if (d <= ANIM_TWO_COLOURS) return ANIM_KIND_TWO;
  if (d <= ANIM_PAL4_COLOURS) return ANIM_KIND_PAL4;
  if (d <= ANIM_PAL8_COLOURS) return ANIM_KIND_PAL8;
  if (d <= ANIM_PAL16_COLOURS) return ANIM_KIND_PAL16;
  return ANIM_KIND_FULL;
}
int operand_bytes(int kind) {
  switch (kind) {
    case ANIM_KIND_FILL:
      return ANIM_FILL_BYTES;
    case ANIM_KIND_TWO:
      return ANIM_TWO_BYTES;
    case ANIM_KIND_PAL4:
      return ANIM_PAL4_BYTES;
    case ANIM_KIND_PAL8:
      return ANIM_PAL8_BYTES;
    case ANIM_KIND_PAL16:
      return ANIM_PAL16_BYTES;
    default:
      return ANIM_FULL_BYTES;
  }
}

// Writes the palette block's operands: the local palette (distinct colours ascending, zero-padded)
// and the packed slots. colours holds the d distinct colours in any order (d <= 16 unless kind 4).
void write_palette_block(int kind, const unsigned char* block, unsigned char* colours, int d,
                         Out* out) {
  if (kind == ANIM_KIND_FULL) {
    out->bytes.insert(out->bytes.end(), block, block + ANIM_BLOCK_PIXELS);
    return;
  }
  for (int i = 1; i < d; i++)  // insertion sort of at most 16 colours
    for (int j = i; j > 0 && colours[j - 1] > colours[j]; j--)
      std::swap(colours[j - 1], colours[j]);
  if (kind == ANIM_KIND_FILL) {
    out->put(colours[0]);
    return;
  }
  int size = kind == ANIM_KIND_TWO    ? ANIM_TWO_COLOURS
             : kind == ANIM_KIND_PAL4 ? ANIM_PAL4_COLOURS
             : kind == ANIM_KIND_PAL8 ? ANIM_PAL8_COLOURS
                                      : ANIM_PAL16_COLOURS;
  unsigned char slot[256];
  for (int i = 0; i < d; i++) slot[colours[i]] = (unsigned char)i;
  for (int i = 0; i < size; i++) out->put(i < d ? colours[i] : 0);
  if (kind == ANIM_KIND_PAL8) {
    for (int g = 0; g < 8; g++) {  // eight 3-bit slots in every three bytes, most significant first
      uint32_t v = 0;
      for (int k = 0; k < 8; k++) v = v << ANIM_PAL8_BITS | slot[block[g * 8 + k]];
      out->put(v >> 16);
      out->put((v >> 8) & 0xFF);
      out->put(v & 0xFF);
    }
    return;
  }
  int bits = kind == ANIM_KIND_TWO ? ANIM_TWO_BITS : kind == ANIM_KIND_PAL4 ? ANIM_PAL4_BITS : ANIM_PAL16_BITS;
  int per_byte = 8 / bits;
  for (int i = 0; i < ANIM_BLOCK_PIXELS; i += per_byte) {
    int b = 0;
    for (int k = 0; k < per_byte; k++) b = b << bits | slot[block[i + k]];
    out->put(b);
  }
}

// A block is one byte per pixel in eight 64-bit words, a column (or a row) per word: the word
// tricks below (transposing, finding changed bytes) hold for this block size only.
static_assert(ANIM_BLOCK_SIDE == 8 && ANIM_BLOCK_PIXELS == 64, "a block row is one 64-bit word");
constexpr int kSide = ANIM_BLOCK_SIDE;

// 8x8 byte matrix in eight little-endian words: row words become column words.
void transpose8(uint64_t* w) {
  for (int i = 0; i < 8; i += 2) {
    uint64_t t = ((w[i] >> 8) ^ w[i + 1]) & 0x00FF00FF00FF00FFull;
    w[i + 1] ^= t;
    w[i] ^= t << 8;
  }
  for (int i : {0, 1, 4, 5}) {
    uint64_t t = ((w[i] >> 16) ^ w[i + 2]) & 0x0000FFFF0000FFFFull;
    w[i + 2] ^= t;
    w[i] ^= t << 16;
  }
  for (int i = 0; i < 4; i++) {
    uint64_t t = ((w[i] >> 32) ^ w[i + 4]) & 0x00000000FFFFFFFFull;
    w[i + 4] ^= t;
    w[i] ^= t << 32;
  }
}

// Bit k set where byte k of v is not zero.
unsigned nonzero_bytes(uint64_t v) {
  uint64_t t = (((v & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | v) & 0x8080808080808080ull;
  return unsigned(((t >> 7) * 0x0102040810204080ull) >> 56);
}

// Loads the block at (x0, y0) of the new picture (rows, row-major) and finds its changed pixels
// against columns: bit c * 8 + r of the result. Pixels past the picture's edge repeat the last
// pixel inside, so they add no colour, and never count as changed.
uint64_t load_block(const AnimFile* anim, const unsigned char* index, int stride, int x0, int y0,
                    unsigned char* block, uint64_t* new_columns) {
  const int cols = anim->width - x0 < kSide ? anim->width - x0 : kSide;
  const int rows = anim->height - y0 < kSide ? anim->height - y0 : kSide;
  if (cols == kSide && rows == kSide) {
    for (int r = 0; r < kSide; r++)
      std::memcpy(block + r * kSide, index + size_t(y0 + r) * stride + x0, kSide);
    std::memcpy(new_columns, block, ANIM_BLOCK_PIXELS);
    transpose8(new_columns);
    uint64_t changed = 0;
    for (int c = 0; c < kSide; c++) {
      uint64_t old;
      std::memcpy(&old, anim->columns[x0 + c] + y0, kSide);
      changed |= uint64_t(nonzero_bytes(old ^ new_columns[c])) << (c * kSide);
    }
    return changed;
  }
  for (int r = 0; r < kSide; r++) {
    const unsigned char* src = index + size_t(y0 + (r < rows ? r : rows - 1)) * stride + x0;
    for (int c = 0; c < kSide; c++) block[r * kSide + c] = src[c < cols ? c : cols - 1];
  }
  std::memcpy(new_columns, block, ANIM_BLOCK_PIXELS);
  transpose8(new_columns);
  uint64_t changed = 0;
  for (int c = 0; c < cols; c++) {
    const unsigned char* old = anim->columns[x0 + c] + y0;
    for (int r = 0; r < rows; r++)
      if (old[r] != block[r * kSide + c]) changed |= uint64_t(1) << (c * kSide + r);
  }
  return changed;
}

void store_block(AnimFile* anim, int x0, int y0, const uint64_t* new_columns) {
  const int cols = anim->width - x0 < kSide ? anim->width - x0 : kSide;
  const int rows = anim->height - y0 < kSide ? anim->height - y0 : kSide;
  for (int c = 0; c < cols; c++)
    std::memcpy(anim->columns[x0 + c] + y0, &new_columns[c], size_t(rows));
}

int bit_count(uint64_t v) {
  v = v - ((v >> 1) & 0x5555555555555555ull);
  v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return int((v * 0x0101010101010101ull) >> 56);
}

void encode_version2(AnimFile* anim, const unsigned char* index, int stride, Out* out) {
  const int side = ANIM_BLOCK_SIDE;
  const int blocks_x = (anim->width + side - 1) / side, blocks_y = (anim->height + side - 1) / side;
  int cx = ANIM_CURSOR_START, cy = ANIM_CURSOR_START;
  unsigned char block[ANIM_BLOCK_PIXELS];  // new indices, row * 8 + column
  uint64_t new_columns[kSide];             // the same by column: byte r of word c
  unsigned char seen[256] = {};  // colours met in the current block
  unsigned char colours[17];
  for (int bx = blocks_x - 1; bx >= 0; bx--) {
    const int x0 = bx * side;
    for (int by = blocks_y - 1; by >= 0; by--) {
      const int y0 = by * side;
      // Bit c * 8 + r: pixel (column c, row r) changed. Taking bits from the highest down gives
      // the column-then-row order from 7 down of single points and sparse lists.
      uint64_t changed = load_block(anim, index, stride, x0, y0, block, new_columns);
      if (!changed) continue;
      const int n = bit_count(changed);

      // Up the same column, or one column left from a few rows below to a few above.
      int move = ANIM_MOVE_ABSOLUTE;
      if (bx == cx && by >= cy - ANIM_MOVE_UP_LAST)
        move = cy - by;
      else if (bx == cx - 1 && by >= cy + ANIM_MOVE_LEFT_BASE - ANIM_MOVE_LAST &&
               by <= cy + ANIM_MOVE_LEFT_BASE - ANIM_MOVE_LEFT_FIRST)
        move = cy + ANIM_MOVE_LEFT_BASE - by;
      cx = bx;
      cy = by;

      // Distinct colours; past 16 the count no longer matters (kind 4 either way).
      int d = 0;
      for (int i = 0; i < ANIM_BLOCK_PIXELS && d <= ANIM_PAL16_COLOURS; i++)
        if (!seen[block[i]]) {
          seen[block[i]] = 1;
          colours[d++] = block[i];
        }
      for (int i = 0; i < d; i++) seen[colours[i]] = 0;

      int kind = palette_kind(d);
      // Bytes of each way to write the block: a point is its code and operands; a block is its
      // code, the position for an absolute move, and its operands (the sparse count and pairs).
      const int block_head = 1 + ANIM_POSITION_BYTES;
      int points = (1 + ANIM_POINT_OPERANDS) * n, sparse = 2 * n + 1 + block_head;
      int palette = operand_bytes(kind) + block_head;
      if (move != ANIM_MOVE_ABSOLUTE) sparse -= ANIM_POSITION_BYTES, palette -= ANIM_POSITION_BYTES;

      if (points <= palette && points <= sparse) {
        for (uint64_t bits = changed; bits;) {
          int bit = 63 - __builtin_clzll(bits);
          bits &= ~(uint64_t(1) << bit);
          int c = bit / kSide, r = bit % kSide, x = x0 + c, y = y0 + r;
          out->put(x >> ANIM_POINT_X_LOW_BITS);
          out->put(((x << ANIM_POINT_Y_HIGH_BITS) | (y >> 8)) & 0xFF);
          out->put(y & 0xFF);
          out->put(block[r * kSide + c]);
        }
      } else {
        if (sparse <= palette) kind = ANIM_KIND_SPARSE;
        out->put(kind << ANIM_KIND_SHIFT | move);
        if (move == ANIM_MOVE_ABSOLUTE) {
          out->put(bx & 0xFF);
          out->put(by & 0xFF);
        }
        if (kind == ANIM_KIND_SPARSE) {
          out->put(n);
          for (uint64_t bits = changed; bits;) {
            int bit = 63 - __builtin_clzll(bits);
            bits &= ~(uint64_t(1) << bit);
            int c = bit / kSide, r = bit % kSide;
            out->put(c << ANIM_SPARSE_COLUMN_SHIFT | r);
            out->put(block[r * kSide + c]);
          }
        } else {
          write_palette_block(kind, block, colours, d, out);
        }
      }
      store_block(anim, x0, y0, new_columns);
    }
  }
  out->put(ANIM_CODE_END);
}

}  // namespace

void anim_encode_indices(AnimFile* anim, const unsigned char* index, int stride) {
  if (!anim->file || !anim->columns) return;
  Out out;
  out.bytes.reserve(size_t(anim->width) * anim->height / 4 + 64);
  if (anim->version == 1)
    encode_version1(anim, index, stride, &out);
  else
    encode_version2(anim, index, stride, &out);
  if (!out.bytes.empty()) std::fwrite(out.bytes.data(), 1, out.bytes.size(), anim->file);
  std::fflush(anim->file);
  anim->frame++;
}
