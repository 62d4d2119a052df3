// Recognising the other file formats people are likely to hand the player by mistake. Version 1
// files have no header, so without this a picture or a program "plays" as scattered dots. Each test
// looks for a signature long enough that an .anim file our encoder writes does not start with it.
#include <cstring>

#include "anim/anim_file.h"

namespace {

bool starts(const unsigned char* head, size_t len, const char* magic, size_t n, size_t at = 0) {
  return len >= at + n && std::memcmp(head + at, magic, n) == 0;
}

// Case-insensitive ASCII prefix test on text that starts at head[at].
bool starts_text(const unsigned char* head, size_t len, size_t at, const char* word) {
  size_t n = std::strlen(word);
  if (len < at + n) return false;
  for (size_t i = 0; i < n; i++) {
    unsigned char c = head[at + i];
    if (c >= 'A' && c <= 'Z') c = (unsigned char)(c - 'A' + 'a');
    if (c != (unsigned char)word[i]) return false;
  }
  return true;
}

// Markup that a browser or an editor would show: optional byte-order mark and blanks, then a tag
// that only HTML or XML begins with.
const char* markup(const unsigned char* head, size_t len) {
  size_t at = starts(head, len, "\xEF\xBB\xBF", 3) ? 3 : 0;
  while (at < len && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' || head[at] == '\n'))
    at++;
  if (starts_text(head, len, at, "<?xml")) return "an XML document";
  if (starts_text(head, len, at, "<svg")) return "an SVG image";
  if (starts_text(head, len, at, "<!doctype html") || starts_text(head, len, at, "<html") ||
      starts_text(head, len, at, "<head") || starts_text(head, len, at, "<!--"))
    return "an HTML document";
  return nullptr;
}

}  // namespace

const char* anim_foreign_format(const unsigned char* head, size_t len) {
  if (starts(head, len, "\x89PNG\r\n\x1a\n", 8)) return "a PNG image";
  if (starts(head, len, "GIF87a", 6) || starts(head, len, "GIF89a", 6)) return "a GIF image";
  // A version 1 record starting FF D8 FF would have y of 3840 or more, beyond any picture.
  if (starts(head, len, "\xFF\xD8\xFF", 3)) return "a JPEG image";
  if (starts(head, len, "RIFF", 4)) {
    if (starts(head, len, "WEBP", 4, 8)) return "a WebP image";
    if (starts(head, len, "WAVE", 4, 8)) return "a WAV sound";
    if (starts(head, len, "AVI ", 4, 8)) return "an AVI video";
    return "a RIFF file";
  }
  if (starts(head, len, "PK\x03\x04", 4) || starts(head, len, "PK\x05\x06", 4) ||
      starts(head, len, "PK\x07\x08", 4))
    return "a ZIP archive";
  if (starts(head, len, "%PDF-", 5)) return "a PDF document";
  if (starts(head, len, "\x7F" "ELF", 4)) return "an ELF program";
  // "MZ" alone is too short to trust; the DOS header's pointer must lead to "PE\0\0" too, which
  // anim_open checks when it can read that far. Here, only when the caller has the bytes.
  if (starts(head, len, "MZ", 2) && len >= 64) {
    unsigned long pe = head[60] | head[61] << 8 | (unsigned long)head[62] << 16 |
                       (unsigned long)head[63] << 24;
    if (pe + 4 <= len && std::memcmp(head + pe, "PE\0\0", 4) == 0) return "a Windows program";
  }
  if (starts(head, len, "\x1A\x45\xDF\xA3", 4)) {
    // The DocType of a WebM file says so within the first few dozen bytes.
    for (size_t i = 4; i + 4 <= len && i < 64; i++)
      if (std::memcmp(head + i, "webm", 4) == 0) return "a WebM video";
    return "a Matroska video";
  }
  if (starts(head, len, "ftyp", 4, 4)) {
    if (starts(head, len, "qt  ", 4, 8)) return "a QuickTime video";
    return "an MP4 video";
  }
  return markup(head, len);
}
