// ANIM frame encoder for pictures of palette indices. Version 2 chooses per changed block between
// single points (4 bytes a pixel), a sparse list (kind 9) and the palette kind for its number of
// colours (10, 7, 6, 8, 5, 4); ties go to points, then to the sparse list. Every byte follows the
// decoder's reading of the format, so other readers of these files see the same frames.
#include "anim/encode.h"

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
      uint32_t word = uint32_t(x) << 20 | uint32_t(y) << 8 | uint32_t(c);
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
  if (d == 1) return 10;
  if (d == 2) return 7;
  if (d <= 4) return 6;
  if (d <= 8) return 8;
  if (d <= 16) return 5;
  return 4;
}
int operand_bytes(int kind) {
  switch (kind) {
    case 10:
      return 1;
    case 7:
      return 10;
    case 6:
      return 20;
    case 8:
      return 32;
    case 5:
      return 48;
    default:
      return 64;
  }
}

// Writes the palette block's operands: the local palette (distinct colours ascending, zero-padded)
// and the packed slots. colours holds the d distinct colours in any order (d <= 16 unless kind 4).
void write_palette_block(int kind, const unsigned char* block, unsigned char* colours, int d,
                         Out* out) {
  if (kind == 4) {
    out->bytes.insert(out->bytes.end(), block, block + 64);
    return;
  }
  for (int i = 1; i < d; i++)  // insertion sort of at most 16 colours
    for (int j = i; j > 0 && colours[j - 1] > colours[j]; j--)
      std::swap(colours[j - 1], colours[j]);
  if (kind == 10) {
    out->put(colours[0]);
    return;
  }
  int size = kind == 7 ? 2 : kind == 6 ? 4 : kind == 8 ? 8 : 16;
  unsigned char slot[256];
  for (int i = 0; i < d; i++) slot[colours[i]] = (unsigned char)i;
  for (int i = 0; i < size; i++) out->put(i < d ? colours[i] : 0);
  if (kind == 8) {
    for (int g = 0; g < 8; g++) {  // eight 3-bit slots in every three bytes, most significant first
      uint32_t v = 0;
      for (int k = 0; k < 8; k++) v = v << 3 | slot[block[g * 8 + k]];
      out->put(v >> 16);
      out->put((v >> 8) & 0xFF);
      out->put(v & 0xFF);
    }
    return;
  }
  int bits = kind == 7 ? 1 : kind == 6 ? 2 : 4, per_byte = 8 / bits;
  for (int i = 0; i < 64; i += per_byte) {
    int b = 0;
    for (int k = 0; k < per_byte; k++) b = b << bits | slot[block[i + k]];
    out->put(b);
  }
}

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
  const int cols = anim->width - x0 < 8 ? anim->width - x0 : 8;
  const int rows = anim->height - y0 < 8 ? anim->height - y0 : 8;
  if (cols == 8 && rows == 8) {
    for (int r = 0; r < 8; r++) std::memcpy(block + r * 8, index + size_t(y0 + r) * stride + x0, 8);
    std::memcpy(new_columns, block, 64);
    transpose8(new_columns);
    uint64_t changed = 0;
    for (int c = 0; c < 8; c++) {
      uint64_t old;
      std::memcpy(&old, anim->columns[x0 + c] + y0, 8);
      changed |= uint64_t(nonzero_bytes(old ^ new_columns[c])) << (c * 8);
    }
    return changed;
  }
  for (int r = 0; r < 8; r++) {
    const unsigned char* src = index + size_t(y0 + (r < rows ? r : rows - 1)) * stride + x0;
    for (int c = 0; c < 8; c++) block[r * 8 + c] = src[c < cols ? c : cols - 1];
  }
  std::memcpy(new_columns, block, 64);
  transpose8(new_columns);
  uint64_t changed = 0;
  for (int c = 0; c < cols; c++) {
    const unsigned char* old = anim->columns[x0 + c] + y0;
    for (int r = 0; r < rows; r++)
      if (old[r] != block[r * 8 + c]) changed |= uint64_t(1) << (c * 8 + r);
  }
  return changed;
}

void store_block(AnimFile* anim, int x0, int y0, const uint64_t* new_columns) {
  const int cols = anim->width - x0 < 8 ? anim->width - x0 : 8;
  const int rows = anim->height - y0 < 8 ? anim->height - y0 : 8;
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
  const int blocks_x = (anim->width + 7) / 8, blocks_y = (anim->height + 7) / 8;
  int cx = -100, cy = -100;
  unsigned char block[64];       // new indices, row * 8 + column
  uint64_t new_columns[8];       // the same by column: byte r of word c
  unsigned char seen[256] = {};  // colours met in the current block
  unsigned char colours[17];
  for (int bx = blocks_x - 1; bx >= 0; bx--) {
    const int x0 = bx * 8;
    for (int by = blocks_y - 1; by >= 0; by--) {
      const int y0 = by * 8;
      // Bit c * 8 + r: pixel (column c, row r) changed. Taking bits from the highest down gives
      // the column-then-row order from 7 down of single points and sparse lists.
      uint64_t changed = load_block(anim, index, stride, x0, y0, block, new_columns);
      if (!changed) continue;
      const int n = bit_count(changed);

      int move = 0;
      if (bx == cx && by >= cy - 5)
        move = cy - by;
      else if (bx == cx - 1 && by >= cy - 5 && by <= cy + 4)
        move = cy + 10 - by;
      cx = bx;
      cy = by;

      // Distinct colours; past 16 the count no longer matters (kind 4 either way).
      int d = 0;
      for (int i = 0; i < 64 && d <= 16; i++)
        if (!seen[block[i]]) {
          seen[block[i]] = 1;
          colours[d++] = block[i];
        }
      for (int i = 0; i < d; i++) seen[colours[i]] = 0;

      int kind = palette_kind(d);
      int points = 4 * n, sparse = 2 * n + 4, palette = operand_bytes(kind) + 3;
      if (move != 0) sparse -= 2, palette -= 2;

      if (points <= palette && points <= sparse) {
        for (uint64_t bits = changed; bits;) {
          int bit = 63 - __builtin_clzll(bits);
          bits &= ~(uint64_t(1) << bit);
          int c = bit >> 3, r = bit & 7, x = x0 + c, y = y0 + r;
          out->put(x >> 5);
          out->put(((x * 8) | (y >> 8)) & 0xFF);
          out->put(y & 0xFF);
          out->put(block[r * 8 + c]);
        }
      } else {
        if (sparse <= palette) kind = 9;
        out->put(kind * 16 + move);
        if (move == 0) {
          out->put(bx & 0xFF);
          out->put(by & 0xFF);
        }
        if (kind == 9) {
          out->put(n);
          for (uint64_t bits = changed; bits;) {
            int bit = 63 - __builtin_clzll(bits);
            bits &= ~(uint64_t(1) << bit);
            int c = bit >> 3, r = bit & 7;
            out->put(c * 8 + r);
            out->put(block[r * 8 + c]);
          }
        } else {
          write_palette_block(kind, block, colours, d, out);
        }
      }
      store_block(anim, x0, y0, new_columns);
    }
  }
  out->put(254);
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
