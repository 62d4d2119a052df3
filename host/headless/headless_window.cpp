// Headless window services. Placeholder until the OSMesa window lands: every call fails without
// effect, which is what the shutdown path expects of handles that were never created.
#include "host/host.h"

#include <cstring>

int host_system_metric(int) { return 0; }
void host_cursor_pos(int* x, int* y) { if (x) *x = 0; if (y) *y = 0; }
void host_set_cursor_pos(int, int) {}
int host_show_cursor(int show) { return show ? 0 : -1; }
int host_register_class(const HostWindowClass*) { return 0; }
HostWindow host_create_window(const char*, const char*, uint32_t, int, int, int, int, HostInstance) {
  return nullptr;
}
HostDC host_get_dc(HostWindow) { return nullptr; }
int host_release_dc(HostWindow, HostDC) { return 0; }
int host_choose_pixel_format(HostDC, const HostPixelFormat*) { return 0; }
int host_set_pixel_format(HostDC, int, const HostPixelFormat*) { return 0; }
HostGLRC host_create_context(HostDC) { return nullptr; }
int host_make_current(HostDC, HostGLRC) { return 0; }
int host_delete_context(HostGLRC) { return 0; }
int host_swap_buffers(HostDC) { return 0; }
void* host_gl_proc_address(const char*) { return nullptr; }
int host_change_display_mode(const HostDisplayMode*, unsigned) { return 0; }
int host_is_iconic(HostWindow) { return 0; }
void host_set_topmost(HostWindow) {}
void host_minimise(HostWindow) {}
int host_peek_message() { return 0; }
int host_get_message(HostMessage* m) { if (m) memset(m, 0, sizeof *m); return 0; }
void host_translate_message(const HostMessage*) {}
intptr_t host_dispatch_message(const HostMessage*) { return 0; }
intptr_t host_def_window_proc(HostWindow, unsigned, uintptr_t, intptr_t) { return 0; }
void host_post_quit_message(int) {}
void host_keyboard_state(unsigned char keys[256]) { memset(keys, 0, 256); }
