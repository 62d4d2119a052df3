// Fuzz target for the text mark-up conversions: arbitrary bytes in a heap buffer of exactly the
// chosen capacity, any depth, raise and size. A refusal must leave every byte of the buffer as it
// was; an accepted result must end, escape by escape, inside the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/markup.h"

namespace {

// The result's terminator, walking escapes whole, must lie inside the buffer.
bool ends_inside(const char* text, size_t capacity) {
  size_t i = 0;
  while (i < capacity) {
    const uint8_t c = uint8_t(text[i]);
    if (c == 0) return true;
    i += c == 0x02 ? 3 : c == 0x05 ? 6 : 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const int which = data[0] & 3;
  const int depth = data[1] == 255 ? 1 << 30 : int(int8_t(data[1])) % 8;
  const size_t capacity = size_t(data[2] | data[3] << 8) % 4096;
  const int16_t raise = int16_t(uint16_t(data[4] | data[5] << 8));
  const int16_t script_size = int16_t(uint16_t(data[6] | data[7] << 8));
  data += 8;
  size -= 8;

  // The text, closed by a zero when there is room; any bytes after it are left as garbage.
  char* buffer = static_cast<char*>(malloc(capacity ? capacity : 1));
  memset(buffer, 0x5E, capacity);  // "^": a conversion that reads past the end would see scripts
  const size_t n = size < capacity ? size : capacity;
  if (n) memcpy(buffer, data, n);
  if (n < capacity) buffer[n] = 0;
  const std::vector<char> before(buffer, buffer + capacity);

  bool ok = false;
  switch (which) {
    case 0: ok = markup(buffer, capacity, depth); break;
    case 1: ok = markup_greek(buffer, capacity); break;
    case 2: ok = markup_scripts(buffer, capacity, depth, raise, script_size); break;
    default: ok = markup_codes(buffer, capacity); break;
  }
  if (ok && !ends_inside(buffer, capacity)) abort();
  if (!ok && (capacity && memcmp(buffer, before.data(), capacity) != 0)) abort();
  if (ok) escape_end(buffer);
  free(buffer);
  return 0;
}
