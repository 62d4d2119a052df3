// ANIM frame encoder for pictures of palette indices. Version 2 chooses per changed block between
// single points (4 bytes a pixel), a sparse list (kind 9) and the palette kind for its number of
// colours (10, 7, 6, 8, 5, 4); ties go to points, then to the sparse list. Every byte follows the
// decoder's reading of the format, so other readers of these files see the same frames.
#include "anim/encode.h"

#include <cstdint>
#include <cstring>
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
    case 10: return 1;
    case 7: return 10;
    case 6: return 20;
    case 8: return 32;
    case 5: return 48;
    default: return 64;
  }
}

// Writes the palette block's operands: local palette (ascending, zero-padded) and packed slots.
void write_palette_block(int kind, const unsigned char* block, const uint64_t used[4], Out* out) {
  unsigned char palette[64];
  int d = 0;
  for (int w = 0; w < 4; w++)
    for (uint64_t bits = used[w]; bits; bits &= bits - 1)
      palette[d++] = (unsigned char)(w * 64 + __builtin_ctzll(bits));
  if (kind == 10) {
    out->put(palette[0]);
    return;
  }
  if (kind == 4) {
    out->bytes.insert(out->bytes.end(), block, block + 64);
    return;
  }
  int size = kind == 7 ? 2 : kind == 6 ? 4 : kind == 8 ? 8 : 16;
  unsigned char slot[256];
  for (int i = 0; i < d; i++) slot[palette[i]] = (unsigned char)i;
  for (int i = 0; i < size; i++) out->put(i < d ? palette[i] : 0);
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

void encode_version2(AnimFile* anim, const unsigned char* index, int stride, Out* out) {
  const int width = anim->width, height = anim->height;
  const int blocks_x = (width + 7) / 8, blocks_y = (height + 7) / 8;
  int cx = -100, cy = -100;
  unsigned char block[64];  // new indices, row * 8 + column
  uint64_t changed;         // bit row * 8 + column: inside the picture and different
  for (int bx = blocks_x - 1; bx >= 0; bx--) {
    const int x0 = bx * 8, cols = width - x0 < 8 ? width - x0 : 8;
    for (int by = blocks_y - 1; by >= 0; by--) {
      const int y0 = by * 8, rows = height - y0 < 8 ? height - y0 : 8;
      changed = 0;
      for (int r = 0; r < 8; r++) {
        // Pixels past the picture's edge repeat the last pixel inside, so they add no colour.
        const unsigned char* src = index + size_t(y0 + (r < rows ? r : rows - 1)) * stride + x0;
        for (int c = 0; c < 8; c++) block[r * 8 + c] = src[c < cols ? c : cols - 1];
      }
      for (int c = 0; c < cols; c++) {
        const unsigned char* old = anim->columns[x0 + c] + y0;
        for (int r = 0; r < rows; r++)
          if (old[r] != block[r * 8 + c]) changed |= uint64_t(1) << (r * 8 + c);
      }
      if (!changed) continue;
      int n = __builtin_popcountll(changed);

      int move = 0;
      if (bx == cx && by >= cy - 5)
        move = cy - by;
      else if (bx == cx - 1 && by >= cy - 5 && by <= cy + 4)
        move = cy + 10 - by;
      cx = bx;
      cy = by;

      uint64_t used[4] = {0, 0, 0, 0};
      for (int i = 0; i < 64; i++) used[block[i] >> 6] |= uint64_t(1) << (block[i] & 63);
      int d = __builtin_popcountll(used[0]) + __builtin_popcountll(used[1]) +
              __builtin_popcountll(used[2]) + __builtin_popcountll(used[3]);
      int kind = palette_kind(d);
      int points = 4 * n, sparse = 2 * n + 4, palette = operand_bytes(kind) + 3;
      if (move != 0) sparse -= 2, palette -= 2;

      if (points <= palette && points <= sparse) {
        for (int c = 7; c >= 0; c--)
          for (int r = 7; r >= 0; r--) {
            if (!(changed >> (r * 8 + c) & 1)) continue;
            int x = x0 + c, y = y0 + r;
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
          for (int c = 7; c >= 0; c--)
            for (int r = 7; r >= 0; r--)
              if (changed >> (r * 8 + c) & 1) {
                out->put(c * 8 + r);
                out->put(block[r * 8 + c]);
              }
        } else {
          write_palette_block(kind, block, used, out);
        }
      }
      for (int c = 0; c < cols; c++) {
        unsigned char* col = anim->columns[x0 + c] + y0;
        for (int r = 0; r < rows; r++) col[r] = block[r * 8 + c];
      }
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
