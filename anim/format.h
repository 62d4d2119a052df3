// The numbers of the .anim format by name: the header, the version 1 record, the version 2 codes,
// block kinds and cursor moves, and the limits. The decoder, the encoder, the canvas and animtool
// use these names; docs/anim-format.md describes the format around them for anyone writing another
// reader or writer.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// ---- the file ----------------------------------------------------------------------------------

// The first bytes of a version 2 file: "ANIM2" and a zero byte.
#define ANIM_SIGNATURE "ANIM2"

// Sizes of the whole file.
enum AnimFileLimits {
  ANIM_HEADER_SIZE = 6,  // the signature and its zero byte
  ANIM_MAX_SIZE = 2048,  // coordinates in the file carry 11 bits (0..2047)
  ANIM_COLOURS = 256     // palette indices 0..255
};

// ---- version 1: one 32-bit little-endian record per pixel ---------------------------------------

// Where the fields of a version 1 record lie; x is signed, two's complement.
enum AnimRecordLayout {
  ANIM_RECORD_SIZE = 4,         // bytes per record
  ANIM_RECORD_X_SHIFT = 20,     // x in bits 31..20
  ANIM_RECORD_Y_SHIFT = 8,      // y in bits 19..8
  ANIM_RECORD_FIELD_MASK = 0xFFF,  // x and y are 12 bits wide
  ANIM_RECORD_X_SIGN = 0x800,   // x at or above this is negative: subtract ANIM_RECORD_X_WRAP
  ANIM_RECORD_X_WRAP = 0x1000,  // the span of a 12-bit field
  ANIM_RECORD_INDEX_MASK = 0xFF  // the palette index in bits 7..0
};

// ---- version 2: codes -----------------------------------------------------------------------------

// What one code byte of a version 2 frame is, by range.
enum AnimCode {
  ANIM_CODE_POINT_LAST = 0x3F,   // 0x00..0x3F: one pixel; the code is the top six bits of x
  ANIM_CODE_BLOCK_FIRST = 0x40,  // 0x40..0xAF: a block, kind in the high nibble, move in the low
  ANIM_CODE_BLOCK_LAST = 0xAF,   // the last block code
  ANIM_CODE_UNUSED_FIRST = 0xB0,  // 0xB0..0xFD and 0xFF: meaningless, skipped by readers
  ANIM_CODE_END = 0xFE            // ends the frame
};

// A single point: the code and three operand bytes b1, b2, index;
// x = code << ANIM_POINT_X_LOW_BITS | b1 >> ANIM_POINT_Y_HIGH_BITS, y = (b1 & 7) << 8 | b2.
enum AnimPointLayout {
  ANIM_POINT_OPERANDS = 3,  // b1, b2 and the palette index
  ANIM_POINT_X_LOW_BITS = 5,  // low bits of x in the top of b1
  ANIM_POINT_Y_HIGH_BITS = 3  // high bits of y in the bottom of b1
};

// Splitting a block code into its kind and its move.
enum AnimBlockCode {
  ANIM_KIND_SHIFT = 4,   // kind = code >> ANIM_KIND_SHIFT
  ANIM_MOVE_MASK = 0x0F  // move = code & ANIM_MOVE_MASK
};

// The seven block kinds: how an 8x8 block's pixels follow its code.
enum AnimBlockKind {
  ANIM_KIND_FULL = 4,    // 64 palette indices, row by row
  ANIM_KIND_PAL16 = 5,   // 16 local colours, then 32 bytes of 4-bit slots
  ANIM_KIND_PAL4 = 6,    // 4 local colours, then 16 bytes of 2-bit slots
  ANIM_KIND_TWO = 7,     // 2 local colours, then 8 bytes of 1-bit slots (bit 7 = column 0)
  ANIM_KIND_PAL8 = 8,    // 8 local colours, then 24 bytes of 3-bit slots as one bit stream
  ANIM_KIND_SPARSE = 9,  // a count n, then n pairs of position byte and palette index
  ANIM_KIND_FILL = 10    // one palette index for all 64 pixels
};

// Operand bytes of each block kind after the code and any position bytes (the sparse kind has
// 1 + 2n). Each palette kind starts with its local colours.
enum AnimBlockOperands {
  ANIM_FULL_BYTES = 64,     // kind 4
  ANIM_PAL16_BYTES = 48,    // kind 5
  ANIM_PAL16_COLOURS = 16,  // kind 5's local colours
  ANIM_PAL4_BYTES = 20,     // kind 6
  ANIM_PAL4_COLOURS = 4,    // kind 6's local colours
  ANIM_TWO_BYTES = 10,      // kind 7
  ANIM_TWO_COLOURS = 2,     // kind 7's local colours (lower index first)
  ANIM_PAL8_BYTES = 32,     // kind 8
  ANIM_PAL8_COLOURS = 8,    // kind 8's local colours
  ANIM_FILL_BYTES = 1,      // kind 10
  ANIM_PAL16_BITS = 4,      // bits of one slot of kind 5
  ANIM_PAL4_BITS = 2,       // of kind 6
  ANIM_TWO_BITS = 1,        // of kind 7
  ANIM_PAL8_BITS = 3,       // of kind 8
  ANIM_SPARSE_MAX = 255,  // most pairs one sparse block lists
  ANIM_SPARSE_COLUMN_SHIFT = 3,  // position byte: column in bits 5..3, row in bits 2..0
  ANIM_SPARSE_ROW_MASK = 7       // the row's bits of a position byte
};

// Blocks and the block cursor.
enum AnimBlockGeometry {
  ANIM_BLOCK_SIDE = 8,      // a block is 8x8 pixels
  ANIM_BLOCK_SHIFT = 3,     // pixel >> ANIM_BLOCK_SHIFT = block
  ANIM_BLOCK_PIXELS = 64,   // pixels of a block
  ANIM_CURSOR_START = -100  // the cursor's column and row at the start of every frame
};

// How a block code's move changes the cursor (bx, by) before the block is drawn.
enum AnimMove {
  ANIM_MOVE_ABSOLUTE = 0,   // ANIM_POSITION_BYTES follow: bx, then by
  ANIM_POSITION_BYTES = 2,  // the position bytes of an absolute move
  ANIM_MOVE_UP_LAST = 5,    // 1..5: by -= move (same column, up)
  ANIM_MOVE_LEFT_FIRST = 6, // 6..15: bx -= 1, by += ANIM_MOVE_LEFT_BASE - move
  ANIM_MOVE_LEFT_BASE = 10, // see ANIM_MOVE_LEFT_FIRST
  ANIM_MOVE_LAST = 15       // the largest move
};

VT_END_DECLS
