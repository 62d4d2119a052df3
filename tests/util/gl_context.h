// An OSMesa context for tests that draw without the shell: makes a width x height RGBA context
// current with a depth buffer, and sets the top-left pixel projection the shell uses.
#pragma once

#include <cstdint>
#include <vector>

namespace vt_test {

struct GlContext {
  GlContext(int width, int height);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;
  bool ok() const { return context != nullptr; }
  // Reads the colour buffer as 0xRRGGBB with (0, 0) the top-left pixel.
  uint32_t pixel(int x, int y) const;
  std::vector<uint32_t> pixels() const;  // whole picture, top row first

  int width, height;
  void* context = nullptr;
  std::vector<uint8_t> buffer;  // OSMesa's colour buffer, bottom row first
};

}  // namespace vt_test
