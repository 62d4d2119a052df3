// Shell state globals with their initial values, and the orderly shutdown.
#include "gfx/shell_state.h"
#include "host/host.h"

#include <cstdlib>

unsigned char windowed = 0;
int screen_w = 0, screen_h = 0;
HostInstance gfx_instance = nullptr;
HostWindow gfx_hwnd = nullptr;
HostDC gfx_hdc = nullptr;
HostGLRC gfx_hglrc = nullptr;
unsigned char keydown[KEY_ARRAY_SIZE];
unsigned char keyprev[KEY_ARRAY_SIZE];
char key_queue[KEY_QUEUE_SIZE];
int mouse_x = 0, mouse_y = 0;
unsigned mouse_buttons = 0;
unsigned mouse_prev = 0;
unsigned mouse_latch = 1;
unsigned char alt_tab_pending = 0;
char* dropped_file = nullptr;

void gfx_shutdown() { gfx_exit(0); }

void gfx_exit(int status) {
  // The mode is put back whenever we ran full screen, changed or not: restoring is harmless.
  if (!windowed) host_change_display_mode(nullptr, 0);
  host_make_current(gfx_hdc, nullptr);
  host_delete_context(gfx_hglrc);
  host_release_dc(gfx_hwnd, gfx_hdc);
  host_post_quit_message(status);
  exit(status);
}
