// animtool check: a strict reading of an .anim file, byte by byte with its offset, separate from
// the decoder (which skips what it does not know and plays on); and the plain copy of a file's
// .anim bytes behind animtool compress and decompress.
#include "tools/animtool_check.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "anim/compressed.h"
#include "anim/format.h"

namespace {

// The file's bytes one at a time, the peeked ones first, with the offset of the next.
struct Reader {
  AnimFile* anim;
  long long offset;
  int get() {
    int c;
    if (anim->peeked_used < anim->peeked_len)
      c = anim->peeked[anim->peeked_used++];
    else
      c = std::getc(anim->file);
    if (c != EOF) offset++;
    return c;
  }
};

struct Extent {
  int width = 0, height = 0;
  void add(long x, long y, int side) {
    if (x + side <= 0 || y + side <= 0) return;
    if (x + side > width) width = int(x + side);
    if (y + side > height) height = int(y + side);
  }
};

std::string hex(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", code);
  return text;
}

// Version 1 records written by a program are rarely all printable; text almost always is.
bool looks_like_text(const unsigned char* bytes, size_t n) {
  if (n < 8) return false;
  for (size_t i = 0; i < n; i++) {
    unsigned char c = bytes[i];
    if (!(c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F))) return false;
  }
  return true;
}

void check_version1(Reader* in, CheckReport* report) {
  // The first bytes are looked at as a whole before any record: text gives itself away there.
  unsigned char first[64];
  size_t have = 0, used = 0;
  for (int c; have < sizeof first && (c = in->get()) != EOF;) first[have++] = (unsigned char)c;
  auto problem = [&](const std::string& what, long long at, long frame) {
    report->problem = what;
    report->offset = at;
    report->frame = frame;
  };
  if (looks_like_text(first, have)) return problem("the records look like text: is this a text file?", 0, 1);
  auto next = [&]() { return used < have ? int(first[used++]) : in->get(); };
  Extent extent;
  long frame = 1;
  bool in_frame = false;
  int previous_x = 0;
  for (long long at = 0;; at += ANIM_RECORD_SIZE) {
    unsigned char rec[ANIM_RECORD_SIZE];
    int got = 0;
    for (int c; got < ANIM_RECORD_SIZE && (c = next()) != EOF;) rec[got++] = (unsigned char)c;
    if (got == 0) break;
    if (got < ANIM_RECORD_SIZE)
      return problem("the file ends inside a record of frame " + std::to_string(frame),
                     at + got, frame);
    uint32_t word = uint32_t(rec[0]) | uint32_t(rec[1]) << 8 | uint32_t(rec[2]) << 16 |
                    uint32_t(rec[3]) << 24;
    int x = int(word >> ANIM_RECORD_X_SHIFT);
    if (x >= ANIM_RECORD_X_SIGN) x -= ANIM_RECORD_X_WRAP;
    int y = int((word >> ANIM_RECORD_Y_SHIFT) & ANIM_RECORD_FIELD_MASK);
    if (x < 0 || y >= ANIM_MAX_SIZE)
      return problem("a record outside 2048x2048 (x " + std::to_string(x) + ", y " +
                         std::to_string(y) + ")",
                     at, frame);
    extent.add(x, y, 1);
    in_frame = true;
    if (x < previous_x) {  // this record was the frame's last
      report->frames++;
      frame++;
      previous_x = 0;
      in_frame = false;
    } else {
      previous_x = x;
    }
  }
  if (in_frame) report->frames++;
  report->width = extent.width;
  report->height = extent.height;
}

void check_version2(Reader* in, CheckReport* report) {
  Extent extent;
  long frame = 1;
  long long frame_start = in->offset;
  long bx = ANIM_CURSOR_START, by = ANIM_CURSOR_START;
  auto problem = [&](const std::string& what, long long at) {
    report->problem = what;
    report->offset = at;
    report->frame = frame;
  };
  auto cut = [&]() { problem("the file ends inside frame " + std::to_string(frame), in->offset); };
  // Reads n operand bytes into out (when given); false when the file ends first.
  auto take = [&](unsigned char* out, int n) {
    for (int i = 0; i < n; i++) {
      int c = in->get();
      if (c == EOF) return false;
      if (out) out[i] = (unsigned char)c;
    }
    return true;
  };
  for (;;) {
    long long at = in->offset;
    int code = in->get();
    if (code == EOF) {
      if (in->offset != frame_start) return cut();
      break;
    }
    if (code == ANIM_CODE_END) {
      report->frames++;
      frame++;
      frame_start = in->offset;
      bx = by = ANIM_CURSOR_START;
      continue;
    }
    if (code <= ANIM_CODE_POINT_LAST) {
      unsigned char ops[ANIM_POINT_OPERANDS];
      if (!take(ops, ANIM_POINT_OPERANDS)) return cut();
      long x = long(code) << ANIM_POINT_X_LOW_BITS | ops[0] >> ANIM_POINT_Y_HIGH_BITS;
      long y = long(ops[0] & 7) << 8 | ops[1];
      extent.add(x, y, 1);
      bx = x >> ANIM_BLOCK_SHIFT;
      by = y >> ANIM_BLOCK_SHIFT;
      continue;
    }
    if (code > ANIM_CODE_BLOCK_LAST)
      return problem("code " + hex(code) + " has no meaning (codes run to 0x" + "AF and 0xFE)", at);
    int kind = code >> ANIM_KIND_SHIFT, move = code & ANIM_MOVE_MASK;
    if (move == ANIM_MOVE_ABSOLUTE) {
      unsigned char pos[ANIM_POSITION_BYTES];
      if (!take(pos, ANIM_POSITION_BYTES)) return cut();
      bx = pos[0];
      by = pos[1];
    } else {
      if (bx == ANIM_CURSOR_START && by == ANIM_CURSOR_START)
        return problem("block code " + hex(code) + " moves from no block (nothing before it)", at);
      if (move <= ANIM_MOVE_UP_LAST) {
        by -= move;
      } else {
        bx -= 1;
        by += ANIM_MOVE_LEFT_BASE - move;
      }
    }
    const long blocks = ANIM_MAX_SIZE / ANIM_BLOCK_SIDE;
    if (bx < 0 || by < 0 || bx >= blocks || by >= blocks)
      return problem("block code " + hex(code) + " moves outside 2048x2048 (block " +
                         std::to_string(bx) + ", " + std::to_string(by) + ")",
                     at);
    int operands = 0;
    switch (kind) {
      case ANIM_KIND_FULL: operands = ANIM_FULL_BYTES; break;
      case ANIM_KIND_PAL16: operands = ANIM_PAL16_BYTES; break;
      case ANIM_KIND_PAL4: operands = ANIM_PAL4_BYTES; break;
      case ANIM_KIND_TWO: operands = ANIM_TWO_BYTES; break;
      case ANIM_KIND_PAL8: operands = ANIM_PAL8_BYTES; break;
      case ANIM_KIND_FILL: operands = ANIM_FILL_BYTES; break;
      default: {  // sparse: a count, then pairs
        unsigned char n;
        if (!take(&n, 1)) return cut();
        operands = 2 * n;
      }
    }
    if (!take(nullptr, operands)) return cut();
    extent.add(bx * ANIM_BLOCK_SIDE, by * ANIM_BLOCK_SIDE, ANIM_BLOCK_SIDE);
  }
  report->width = extent.width;
  report->height = extent.height;
}

}  // namespace

CheckReport animtool_check(AnimFile* anim) {
  CheckReport report;
  Reader in = {anim, anim->offset};
  if (anim->version == 1)
    check_version1(&in, &report);
  else
    check_version2(&in, &report);
  // Damaged compressed data reads as an early end: name the real cause.
  if (anim_stream_failed(anim->file) && (report.problem.empty() || anim->compression != ANIM_PLAIN)) {
    report.problem = anim->compression != ANIM_PLAIN
                         ? "the compressed data is damaged or cut short"
                         : "read error (" + std::string(std::strerror(errno ? errno : EIO)) + ")";
    if (report.frame == 0) report.frame = report.frames + 1;
    report.offset = in.offset;
  }
  return report;
}

std::string animtool_copy_anim(AnimFile* anim, FILE* out) {
  if (anim->version == 2) std::fwrite(ANIM_SIGNATURE, 1, ANIM_HEADER_SIZE, out);
  if (anim->peeked_used < anim->peeked_len)
    std::fwrite(anim->peeked + anim->peeked_used, 1, size_t(anim->peeked_len - anim->peeked_used),
                out);
  char chunk[1 << 16];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, anim->file)) > 0)
    if (std::fwrite(chunk, 1, n, out) != n) break;
  if (anim_stream_failed(anim->file))
    return anim->compression != ANIM_PLAIN ? "the compressed data is damaged or cut short"
                                           : std::string(std::strerror(errno ? errno : EIO));
  if (std::ferror(out)) return "write error (" + std::string(std::strerror(errno ? errno : EIO)) + ")";
  return "";
}
