// Screenshots: reads a window region with glReadPixels straight into BMP row order (bottom row
// first, BGR, rows padded to 4 bytes) and writes the 54-byte header in front of it. The PNG
// converter is an outside program started without a shell; whether it exists is not our concern.
#include "gfx/screenshot.h"

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/clock.h"
#include "gfx/shell_state.h"
#include "host/host.h"

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif

namespace {

void put_u16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void put_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}

// Reads with the packing the buffer was sized for, whatever state a caller left behind.
void read_pixels(int x, int y, int w, int h, GLenum format, void* out) {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glReadPixels(x, y, w, h, format, GL_UNSIGNED_BYTE, out);
  glPopClientAttrib();
}

}  // namespace

void save_bmp(int x, int y, int w, int h, const char* name, int convert) {
  if (!name || w < 0 || h < 0) return;
  uint64_t stride = ((3 * uint64_t(w) + 3) / 4) * 4;
  uint64_t image_size = stride * uint64_t(h);
  // The header holds the sizes in 32 bits.
  if (image_size + 54 > 0xFFFFFFFFu) return;

  uint8_t prefix[18] = {'B', 'M'};
  put_u32(prefix + 2, uint32_t(54 + image_size));
  put_u32(prefix + 10, 54);
  put_u32(prefix + 14, 40);
  uint8_t size[8];
  put_u32(size, uint32_t(w));
  put_u32(size + 4, uint32_t(h));
  uint8_t tail[28] = {};
  put_u16(tail, 1);
  put_u16(tail + 2, 24);
  put_u32(tail + 8, uint32_t(image_size));
  put_u32(tail + 12, 2834);
  put_u32(tail + 16, 2834);

  // Take the buffer first, so that a failed allocation leaves no half-written file behind. It is
  // zeroed: glReadPixels skips the row padding, which must not carry stale heap bytes to the file.
  uint8_t* pixels = static_cast<uint8_t*>(calloc(image_size ? size_t(image_size) : 1, 1));
  if (!pixels) return;
  FILE* f = fopen(name, "wb");
  if (!f) {
    free(pixels);
    return;
  }
  fwrite(prefix, 1, sizeof prefix, f);
  fwrite(size, 1, sizeof size, f);
  fwrite(tail, 1, sizeof tail, f);
  if (image_size) {
    read_pixels(x, screen_h - (y + h), w, h, GL_BGR_EXT, pixels);
    fwrite(pixels, 1, size_t(image_size), f);
  }
  fclose(f);
  free(pixels);
  if (convert) bmp_convert(name);
}

void bmp_convert(const char* name) {
  const char* const argv[] = {"bmp2png", "-9", "-E", name, nullptr};
  // A missing converter is not an error: the BMP stays. It is said once, so that nobody waits for
  // PNG files that never come.
  static bool said = false;
  if (host_run_program(argv) < 0 && !said) {
    said = true;
#if defined(__GLIBC__)
    const char* program = program_invocation_short_name;
#else
    const char* program = "screenshot";
#endif
    fprintf(stderr, "%s: bmp2png cannot be run, so screenshots stay BMP files (%s)\n", program,
            name);
  }
}

void screenshot_window(const char* name, int convert) {
  save_bmp(0, 0, screen_w, screen_h, name, convert);
}

void screenshot_name(double t, char* out, size_t size) {
  double n = std::fmod(std::trunc(t / 0.3), 100000.0);
  if (!(n >= 0.0)) n = n < 0.0 ? n + 100000.0 : 0.0;  // keep five digits for odd clocks
  snprintf(out, size, "screenshot%05d.bmp", int(n));
}

void screenshot_auto() {
  char name[32];
  screenshot_auto_in("", name, sizeof name);
}

void screenshot_auto_in(const char* folder, char* out, size_t size) {
  char name[32];
  screenshot_name(gfx_clock(), name, sizeof name);
  std::string path = folder ? folder : "";
  if (!path.empty() && !strchr(host_path_separators(), path.back())) path += '/';
  path += name;
  if (out && size) snprintf(out, size, "%s", path.c_str());
  screenshot_window(path.c_str(), 1);
}

void draw_pointer(float grey) {
  GLboolean lit = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  float mx = float(mouse_x), my = float(mouse_y);
  float a = float(screen_w / 200), b = float(screen_w / 100);
  glBegin(GL_LINES);
  glColor3f(grey, grey, grey);
  glVertex2f(mx + 0.1f, my + 0.1f);
  glVertex2f(mx + a, my + 0.1f);
  glVertex2f(mx + 0.1f, my + 0.1f);
  glVertex2f(mx + 0.1f, my + a);
  glVertex2f(mx + 0.1f, my + 0.1f);
  glVertex2f(mx + b, my + b);
  glEnd();
  if (lit) glEnable(GL_LIGHTING);
}

int is_dark(uint32_t pixel) {
  uint32_t r = pixel & 0xFF, g = (pixel >> 8) & 0xFF, b = (pixel >> 16) & 0xFF;
  return 3.0 * r + 6.0 * g + 2.0 * b < 1402.5 ? 1 : 0;
}

void mouse_marker() {
  int sx = mouse_x + screen_w / 200;
  if (sx > screen_w - 1) sx = screen_w - 1;
  int sy = mouse_y + screen_h / 200;
  if (sy > screen_h - 1) sy = screen_h - 1;
  uint8_t rgb[4] = {0, 0, 0, 0};
  read_pixels(sx, (screen_h - 1) - sy, 1, 1, GL_RGB, rgb);
  uint32_t pixel = uint32_t(rgb[0]) | (uint32_t(rgb[1]) << 8) | (uint32_t(rgb[2]) << 16);
  draw_pointer(is_dark(pixel) ? 1.0f : 0.0f);
}
