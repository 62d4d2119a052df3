// View set-up and presentation: the initial GL state, the top-left pixel projection (or a
// perspective one), resizing, presenting frames, front-buffer drawing, the scissored clear, the GL
// version and the two optional extensions, each looked up once on first use.
#include "gfx/view.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/shell_state.h"
#include "host/host.h"

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif
#ifndef GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT 0x84FF
#endif

unsigned char ortho_2d = 1;
uint32_t last_clear_colour = 0x01000000u;  // no valid 0xRRGGBB: the first present always sets it
int32_t has_aniso = -1;
float max_aniso = 0.0f;
int32_t has_swap_control = -1;
int (*swap_interval_fn)(int) = nullptr;

namespace {

bool extension_listed(const char* name) {
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return list && strstr(list, name) != nullptr;
}

// Window-system extensions (swap control) are the host's to name: drivers other than Windows'
// never put them in the OpenGL string.
bool window_extension_listed(const char* name) {
  const char* list = host_window_system_extensions();
  return extension_listed(name) || (list && strstr(list, name) != nullptr);
}

// Shared by both perspective calls; fit keeps at least the vertical extent of a 4:3 window.
void load_perspective(float fov_degrees, float near_z, float far_z, bool fit) {
  glMatrixMode(GL_PROJECTION);
  float m[16] = {};
  float t = float(tan(0.5 * M_PI * fov_degrees / 180.0));
  float u = screen_h * t / screen_w;
  if (fit && 0.75f * t > u) {
    u = 0.75f * t;
    t = screen_w * u / screen_h;
  }
  m[0] = 1.0f / t;
  m[5] = 1.0f / u;
  m[11] = -1.0f;
  m[10] = (far_z + near_z) / (near_z - far_z);
  m[14] = 2.0f * near_z * far_z / (near_z - far_z);
  glLoadMatrixf(m);
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void gfx_gl_init(int width, int height) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  gfx_resize(width, height);
  glLoadIdentity();
}

void gfx_resize(int width, int height) {
  if (height < 1) height = 1;
  screen_w = width;
  screen_h = height;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (ortho_2d) {
    // One unit per pixel, origin top-left, y down; z from -(h/2) (near) to h/2 (far).
    glOrtho(0, width, height, 0, height / 2, -(height / 2));
  } else {
    gfx_perspective_fit(90.0f, 0.1f, 1000.0f);
  }
  glMatrixMode(GL_MODELVIEW);
}

void gfx_perspective(float fov_degrees, float near_z, float far_z) {
  load_perspective(fov_degrees, near_z, far_z, false);
}

void gfx_perspective_fit(float fov_degrees, float near_z, float far_z) {
  load_perspective(fov_degrees, near_z, far_z, true);
}

void gfx_present(uint32_t colour) {
  gfx_swap_buffers();
  if (colour != last_clear_colour) {
    glClearColor(float((colour >> 16) / 255.0), float(((colour >> 8) & 0xFF) / 255.0),
                 float((colour & 0xFF) / 255.0), 0.0f);
    last_clear_colour = colour;
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
}

void gfx_swap_buffers() {
  glFinish();
  host_swap_buffers(gfx_hdc);
}

void gfx_present_twice(uint32_t colour) {
  // With double buffering, both buffers end up cleared.
  gfx_present(colour);
  gfx_present(colour);
}

void gfx_draw_front() {
  glFinish();
  glDrawBuffer(GL_FRONT);
  glLoadIdentity();
}

void gfx_clear_rect(int x, int y, int width, int height) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, width, height);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

float gfx_gl_version() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? float(atof(version)) : 0.0f;
}

void gfx_anisotropy() {
  if (has_aniso == -1) has_aniso = extension_listed("GL_EXT_texture_filter_anisotropic") ? 1 : 0;
  if (has_aniso != 1) return;
  if (max_aniso == 0.0f) glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_aniso);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, max_aniso);
}

void gfx_swap_interval(int interval) {
  if (has_swap_control == -1) has_swap_control = window_extension_listed("WGL_EXT_swap_control") ? 1 : 0;
  if (has_swap_control != 1) return;
  if (!swap_interval_fn)
    swap_interval_fn = reinterpret_cast<int (*)(int)>(host_gl_proc_address("wglSwapIntervalEXT"));
  if (swap_interval_fn) swap_interval_fn(interval);
}
