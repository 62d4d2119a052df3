// Fuzz target for the headless host's environment texts: VANTOREL_SCREEN ("WxH") and
// VANTOREL_DESKTOP ("WxH+X+Y") on arbitrary bytes. An accepted text gives a positive size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/headless/headless_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  int w = 0, h = 0, x = 0, y = 0;
  if (headless_parse_screen(text.c_str(), &w, &h) && (w <= 0 || h <= 0)) abort();
  if (headless_parse_desktop(text.c_str(), &w, &h, &x, &y) && (w <= 0 || h <= 0)) abort();
  return 0;
}
