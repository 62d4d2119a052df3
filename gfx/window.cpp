// The window, its OpenGL context and the input state. The class, styles, pixel format and display
// mode are handed to the host exactly as a Win32 program fills them; the host interprets them. All
// state is the shell globals, since the shell serves one window per process.
#include "gfx/window.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/error_log.h"
#include "gfx/keys.h"
#include "gfx/shell_state.h"
#include "gfx/view.h"
#include "host/host.h"

namespace {

constexpr const char* kClassName = "OpenGL WinClass";
constexpr unsigned kClassStyle = 0x23;  // CS_VREDRAW | CS_HREDRAW | CS_OWNDC
constexpr uint32_t kWindowedStyle = HOST_WS_SYSMENU | HOST_WS_THICKFRAME | HOST_WS_MINIMIZEBOX |
                                    HOST_WS_MAXIMIZEBOX | HOST_WS_VISIBLE | HOST_WS_CLIPSIBLINGS |
                                    HOST_WS_CLIPCHILDREN;  // 0x160F0000
constexpr uint32_t kFullScreenStyle =
    HOST_WS_POPUP | HOST_WS_VISIBLE | HOST_WS_CLIPSIBLINGS | HOST_WS_CLIPCHILDREN;  // 0x96000000
constexpr double kDefaultWindowShare = 0.6;  // of the primary screen, per direction
constexpr int kQueueLimit = KEY_QUEUE_SIZE - 1;
constexpr unsigned kMouseButtonBits = HOST_MK_LBUTTON | HOST_MK_RBUTTON | HOST_MK_MBUTTON;

HostPixelFormat requested_pixel_format() {
  HostPixelFormat pfd;
  memset(&pfd, 0, sizeof pfd);
  pfd.size = 40;
  pfd.version = 1;
  pfd.flags = HOST_PFD_DRAW_TO_WINDOW | HOST_PFD_SUPPORT_OPENGL | HOST_PFD_DOUBLEBUFFER;
  pfd.pixel_type = 0;  // RGBA
  pfd.colour_bits = 24;
  pfd.depth_bits = 32;
  pfd.layer_type = 0;  // main plane
  return pfd;
}

void mouse_update(uintptr_t wparam, intptr_t lparam) {
  mouse_x = int(uintptr_t(lparam) & 0xFFFF);
  mouse_y = int((uintptr_t(lparam) >> 16) & 0xFFFF);
  unsigned buttons = unsigned(wparam) & kMouseButtonBits;
  // The latch hides a button held since start-up (the launching click) until all are up once.
  if (buttons == 0) mouse_latch = 0;
  if (mouse_latch == 0) mouse_buttons = buttons;
}

// Set by the window procedure when it took a close that gfx_poll is to report.
bool close_taken = false;

}  // namespace

int gfx_close_returns = 0;
int gfx_close_requested = 0;

namespace {
// Sizes and positions are worked out wide and brought back into the int range, so that no
// request, however large, overflows on the way to being refused.
int clamp_int(long long value) {
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : int(value);
}
}  // namespace

int gfx_centre_on_pointer(int pointer, int outer, int origin, int span) {
  long long pos = (long long)pointer - outer / 2;
  long long far_limit = (long long)origin + span - outer;
  if (pos > far_limit) pos = far_limit;
  if (pos < origin) pos = origin;
  return clamp_int(pos);
}

WindowPlacement gfx_place_window(int width, int height, bool is_windowed) {
  WindowPlacement p;
  memset(&p, 0, sizeof p);
  if (width == 0) {
    p.client_w = host_system_metric(HOST_SM_CXSCREEN);
    p.client_h = host_system_metric(HOST_SM_CYSCREEN);
    if (is_windowed) {
      p.client_w = int(p.client_w * kDefaultWindowShare);
      p.client_h = int(p.client_h * kDefaultWindowShare);
    }
  } else if (width == -1) {
    p.client_w = host_system_metric(HOST_SM_CXVIRTUALSCREEN);
    p.client_h = host_system_metric(HOST_SM_CYVIRTUALSCREEN);
    if (!is_windowed) {
      p.x = host_system_metric(HOST_SM_XVIRTUALSCREEN);
      p.y = host_system_metric(HOST_SM_YVIRTUALSCREEN);
    }
  } else {
    p.client_w = width;
    p.client_h = height;
  }
  p.outer_w = p.client_w;
  p.outer_h = p.client_h;
  if (is_windowed) {
    p.outer_w = clamp_int((long long)p.client_w + 2LL * host_system_metric(HOST_SM_CXFRAME));
    p.outer_h = clamp_int((long long)p.client_h + host_system_metric(HOST_SM_CYCAPTION) +
                          2LL * host_system_metric(HOST_SM_CYFRAME));
    int px = 0, py = 0;
    host_cursor_pos(&px, &py);
    p.x = gfx_centre_on_pointer(px, p.outer_w, host_system_metric(HOST_SM_XVIRTUALSCREEN),
                                host_system_metric(HOST_SM_CXVIRTUALSCREEN));
    p.y = gfx_centre_on_pointer(py, p.outer_h, host_system_metric(HOST_SM_YVIRTUALSCREEN),
                                host_system_metric(HOST_SM_CYVIRTUALSCREEN));
  }
  return p;
}

int gfx_open(int width, int height, const char* title) {
  WindowPlacement p = gfx_place_window(width, height, windowed != 0);
  screen_w = p.client_w;
  screen_h = p.client_h;
  // A negative size (other than the width -1 request) cannot be a window; it fails like a zero one.
  if (screen_w <= 0 || screen_h <= 0) return 0;
  // A program whose entry stored no instance (any plain main) gets the host's own.
  if (!gfx_instance) gfx_instance = host_instance();

  // A drawing area the renderer cannot hold is refused before anything is made for it.
  int max_w = 0, max_h = 0;
  if (host_max_drawing_area(&max_w, &max_h) && (screen_w > max_w || screen_h > max_h)) {
    char message[160];
    snprintf(message, sizeof message,
             "Drawing area %dx%d is larger than the renderer can hold (%dx%d at most).", screen_w,
             screen_h, max_w, max_h);
    gfx_fatal(message);
  }

  memset(keydown, 0, sizeof keydown);
  memset(keyprev, 0, sizeof keyprev);

  HostWindowClass wc;
  wc.style = kClassStyle;
  wc.procedure = gfx_wndproc;
  wc.instance = gfx_instance;
  wc.class_name = kClassName;
  if (!host_register_class(&wc)) gfx_fatal("Failed To Register The Window Class.");

  gfx_hwnd = host_create_window(kClassName, title ? title : "",
                                windowed ? kWindowedStyle : kFullScreenStyle, p.x, p.y, p.outer_w,
                                p.outer_h, gfx_instance);
  if (!gfx_hwnd) gfx_fatal("Window Creation Error.");

  gfx_hdc = host_get_dc(gfx_hwnd);
  HostPixelFormat pfd = requested_pixel_format();
  int format = host_choose_pixel_format(gfx_hdc, &pfd);
  if (!format) gfx_fatal("Can't Find A Suitable PixelFormat.");
  if (!host_set_pixel_format(gfx_hdc, format, &pfd)) gfx_fatal("Can't Set The PixelFormat.");

  gfx_hglrc = host_create_context(gfx_hdc);
  if (!gfx_hglrc) gfx_fatal("Can't Create A GL Rendering Context.");
  if (!host_make_current(gfx_hdc, gfx_hglrc)) gfx_fatal("Can't activate GLRC.");

  gfx_gl_init(screen_w, screen_h);

  // The window and context exist at the requested size before the mode changes; width 0 and -1
  // take the desktop as it is.
  if (width > 0 && !windowed) {
    HostDisplayMode mode;
    memset(&mode, 0, sizeof mode);
    mode.size = 156;
    mode.fields = 0x180000;  // DM_PELSWIDTH | DM_PELSHEIGHT: depth and refresh stay
    mode.pels_width = uint32_t(screen_w);
    mode.pels_height = uint32_t(screen_h);
    host_change_display_mode(&mode, HOST_CDS_FULLSCREEN);
  }
  if (!windowed) host_show_cursor(0);
  return 1;
}

int gfx_poll() {
  mouse_prev = mouse_buttons;
  mouse_buttons &= ~(MOUSE_WHEEL_AWAY | MOUSE_WHEEL_TOWARDS);  // a wheel turn lasts one poll

  close_taken = false;
  while (host_peek_message()) {
    HostMessage msg;
    if (!host_get_message(&msg)) return 1;
    host_translate_message(&msg);
    host_dispatch_message(&msg);
  }
  if (close_taken) return 1;

  // Minimised: the key arrays freeze until the window is back.
  if (host_is_iconic(gfx_hwnd)) {
    alt_tab_pending = 0;
    return 0;
  }
  if (!alt_tab_pending && !windowed) host_set_topmost(gfx_hwnd);

  memcpy(keyprev, keydown, sizeof keyprev);
  host_keyboard_state(keydown);  // entries 0..255; the rest stay zero

  if (gfx_key_down(GFX_KEY_ALT) && gfx_key_down(GFX_KEY_TAB)) alt_tab_pending = 1;
  if (alt_tab_pending) host_minimise(gfx_hwnd);
  return 0;
}

void gfx_set_full_screen(int full_screen) {
  if (!gfx_hwnd || (full_screen != 0) == (windowed == 0)) return;
  windowed = full_screen ? 0 : 1;
  host_set_full_screen(gfx_hwnd, full_screen);
  host_show_cursor(full_screen ? 0 : 1);
}

intptr_t gfx_wndproc(HostWindow window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case HOST_WM_CLOSE:
      // Kept from the default handling, which would destroy the window, when the program asked
      // to decide on the close itself.
      if (gfx_close_returns) {
        gfx_close_requested = 1;
        close_taken = true;
        return 0;
      }
      gfx_shutdown();
    case HOST_WM_DESTROY:
      gfx_shutdown();
    case HOST_WM_SIZE:
      gfx_resize(int(uintptr_t(lparam) & 0xFFFF), int((uintptr_t(lparam) >> 16) & 0xFFFF));
      return 0;
    case HOST_WM_CHAR: {
      size_t length = strlen(key_queue);
      if (length < size_t(kQueueLimit)) {
        key_queue[length] = char(wparam & 0xFF);
        key_queue[length + 1] = 0;
      }
      return 0;
    }
    case HOST_WM_SYSKEYDOWN:
      return 0;  // no default action: Alt+F4 and F10 do nothing
    case HOST_WM_MOUSEMOVE:
    case HOST_WM_LBUTTONDOWN:
    case HOST_WM_LBUTTONUP:
    case HOST_WM_RBUTTONDOWN:
    case HOST_WM_RBUTTONUP:
    case HOST_WM_MBUTTONDOWN:
    case HOST_WM_MBUTTONUP:
      mouse_update(wparam, lparam);
      return 0;
    case HOST_WM_MOUSEWHEEL:
      mouse_buttons |= int32_t(uint32_t(wparam)) > 0 ? MOUSE_WHEEL_AWAY : MOUSE_WHEEL_TOWARDS;
      return 0;
    case HOST_WM_DROPFILES: {
      // Only the first file counts; a later drop replaces one the program has not taken yet.
      int length = host_drop_file_name(wparam, nullptr, 0);
      if (length > 0) {
        char* name = static_cast<char*>(malloc(size_t(length) + 1));
        if (name) {
          host_drop_file_name(wparam, name, length + 1);
          free(dropped_file);
          dropped_file = name;
        }
      }
      host_drop_finish(wparam);
      return 0;
    }
    default:
      return host_def_window_proc(window, message, wparam, lparam);
  }
}

int gfx_inkey() {
  if (key_queue[0] == 0) return 0;
  signed char first = static_cast<signed char>(key_queue[0]);
  memmove(key_queue, key_queue + 1, strlen(key_queue));  // the terminator moves too
  return first;
}
