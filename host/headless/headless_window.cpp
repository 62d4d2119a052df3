// Headless window services: a simulated screen (VANTOREL_SCREEN=WxH, default 1920x1080; the
// virtual desktop VANTOREL_DESKTOP=WxH+X+Y, default the screen), one window whose drawing area is
// an OSMesa buffer (single-buffered: front and back are the same, swapping only finishes), and
// input from the script named by VANTOREL_SCRIPT, applied at the start of each gfx_poll call.
// The queue, the key array and the messages they make are host/emulated's: the script's actions
// become its calls.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/osmesa.h>

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <new>
#include <sstream>

#include "host/emulated/emulated.h"
#include "host/headless/headless_host.h"
#include "host/host.h"
#include "host/posix/posix_drop.h"

struct HostWindowRec {
  std::string title;
  uint32_t style;
  int x, y, outer_w, outer_h;
  int client_w, client_h;
  bool iconic, topmost;
  bool full_screen;                             // made full screen by host_set_full_screen
  bool accepts_files;                           // host_accept_dropped_files was called
  uint32_t framed_style;                        // the window it was before, to go back to
  int framed_x, framed_y, framed_w, framed_h;   // (outer width 0: none, it started full screen)
  std::vector<uint8_t> pixels;  // RGBA, bottom row first
};
struct HostGLRCRec {
  OSMesaContext context;
};

namespace {

// Frame metrics of the simulated window system, as a classic Win32 desktop reports them.
constexpr int kFrameWidth = 4;
constexpr int kCaptionHeight = 23;
constexpr int kDefaultScreenW = 1920, kDefaultScreenH = 1080;

struct Headless {
  int screen_w = kDefaultScreenW, screen_h = kDefaultScreenH;  // the desktop's own mode
  int display_w = 0, display_h = 0;                            // the mode in force
  int desktop_x = 0, desktop_y = 0, desktop_w = 0, desktop_h = 0;
  bool desktop_given = false;
  int display_changes = 0;
  bool display_changed = false;
  int cursor_x = 0, cursor_y = 0, cursor_count = 0;
  HostWindowRec* window = nullptr;
  HostGLRCRec* current = nullptr;
  bool script_loaded = false;
  bool script_given = false;
  bool under_test = false;  // headless_reset was called: the test drives the input itself
  int frame_limit = 0;      // the close button comes at poll frame_limit + 1; 0: never
  std::string script_text;
  std::vector<ScriptAction> script;
  size_t next_action = 0;
  int polls = 0;
  bool record_polls = false;
  std::vector<double> poll_times;
  bool in_batch = false;
  bool trace = false;
};

Headless& h() {
  static Headless* state = [] {
    Headless* s = new Headless;  // lives until exit; gfx_shutdown may run from anywhere
    return s;
  }();
  return *state;
}

void trace(const char* format, int a = 0, int b = 0) {
  if (!h().trace) return;
  fprintf(stderr, "headless: ");
  fprintf(stderr, format, a, b);
  fputc('\n', stderr);
}

// One "%d" as sscanf reads it (blanks, sign, digits), but a number beyond the int range is a
// failure rather than undefined.
bool scan_int(const char** p, int* out) {
  const char* q = *p;
  while (isspace(static_cast<unsigned char>(*q))) q++;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  if (*q < '0' || *q > '9') return false;
  long long value = 0;
  for (; *q >= '0' && *q <= '9'; q++) {
    value = value * 10 + (*q - '0');
    if (value > (long long)INT_MAX + 1) return false;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return false;
  *out = int(value);
  *p = q;
  return true;
}

void read_environment(Headless& s) {
  int w, hh;
  if (headless_parse_screen(getenv("VANTOREL_SCREEN"), &w, &hh)) {
    s.screen_w = w;
    s.screen_h = hh;
  }
  s.display_w = s.screen_w;
  s.display_h = s.screen_h;
  int x, y;
  s.desktop_given = headless_parse_desktop(getenv("VANTOREL_DESKTOP"), &w, &hh, &x, &y);
  if (s.desktop_given) {
    s.desktop_x = x;
    s.desktop_y = y;
    s.desktop_w = w;
    s.desktop_h = hh;
  }
  s.cursor_x = s.screen_w / 2;
  s.cursor_y = s.screen_h / 2;
  const char* t = getenv("VANTOREL_TRACE");
  s.trace = t && *t && strcmp(t, "0") != 0;
  // No text events: the script's key presses make their characters as TranslateMessage does.
  emulated_configure(EmulatedHost{true, nullptr});
}

Headless& state() {
  static bool ready = [] {
    read_environment(h());
    return true;
  }();
  (void)ready;
  return h();
}

// Virtual desktop: the given one, or the primary screen in its current mode.
void desktop(int* x, int* y, int* w, int* hh) {
  Headless& s = state();
  if (s.desktop_given) {
    *x = s.desktop_x, *y = s.desktop_y, *w = s.desktop_w, *hh = s.desktop_h;
  } else {
    *x = 0, *y = 0, *w = s.display_w, *hh = s.display_h;
  }
}

void bind_buffer(HostWindowRec* win) {
  Headless& s = state();
  if (!s.current || !win || win->pixels.empty()) return;
  OSMesaMakeCurrent(s.current->context, win->pixels.data(), GL_UNSIGNED_BYTE, win->client_w,
                    win->client_h);
}

// New drawing buffer of w x h; the old picture stays anchored at the top-left corner, as a real
// window keeps its content when it grows or shrinks.
// Returns false, keeping the old buffer, when the new one cannot be had.
bool resize_buffer(HostWindowRec* win, int w, int hh) {
  int bw = w > 0 ? w : 1, bh = hh > 0 ? hh : 1;  // GL needs at least one pixel
  std::vector<uint8_t> fresh;
  try {
    fresh.assign(size_t(bw) * size_t(bh) * 4, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (state().current) glFinish();
  int old_w = win->client_w > 0 ? win->client_w : 1, old_h = win->client_h > 0 ? win->client_h : 1;
  if (!win->pixels.empty()) {
    int cw = bw < old_w ? bw : old_w, ch = bh < old_h ? bh : old_h;
    for (int top = 0; top < ch; top++) {
      const uint8_t* src = &win->pixels[(size_t(old_h - 1 - top) * old_w) * 4];
      uint8_t* dst = &fresh[(size_t(bh - 1 - top) * bw) * 4];
      memcpy(dst, src, size_t(cw) * 4);
    }
  }
  win->pixels.swap(fresh);
  win->client_w = bw;
  win->client_h = bh;
  if (!state().current) return true;
  bind_buffer(win);
  // The driver keeps its own copy of the picture and starts the new size empty: draw the kept
  // picture back in, touching no state the program set.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_COLOR_LOGIC_OP);
  glDisable(GL_FOG);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPixelZoom(1.0f, 1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glDrawBuffer(GL_FRONT);
  glViewport(0, 0, bw, bh);
  glWindowPos2i(0, 0);
  glDrawPixels(bw, bh, GL_RGBA, GL_UNSIGNED_BYTE, win->pixels.data());
  glPopClientAttrib();
  glPopAttrib();
  glFinish();
  return true;
}

// Relative names mean the folder the user started in, not the player's own folder.
std::string in_start_directory(const std::string& name) {
  const char* start = host_start_directory();
  if (name.empty() || name[0] == '/' || !start || !*start) return name;
  return std::string(start) + "/" + name;
}

void snapshot(const std::string& name) {
  Headless& s = state();
  std::string path = in_start_directory(name);
  // A picture that cannot be written fails the run like a bad script line, so no test misses it.
  if (!s.window) {
    fprintf(stderr, "headless: snapshot %s: no window\n", path.c_str());
    exit(2);
  }
  if (s.current) glFinish();
  errno = 0;
  if (!headless_write_png(path.c_str(), s.window->pixels.data(), s.window->client_w,
                          s.window->client_h)) {
    int err = errno;
    fprintf(stderr, "headless: snapshot %s: cannot write%s%s\n", path.c_str(), err ? ": " : "",
            err ? strerror(err) : "");
    exit(2);
  }
}

// Alt is the left Alt key, as the script has no other.
void key_event(int vk, bool down) { emulated_key(vk, down, false, vk == 0x12 ? 0xA4 : 0); }

void apply(const ScriptAction& a) {
  Headless& s = state();
  switch (a.kind) {
    case ScriptKind::down: key_event(a.key, true); break;
    case ScriptKind::up: key_event(a.key, false); break;
    case ScriptKind::character:
      for (unsigned char c : a.text) emulated_post(HOST_WM_CHAR, c, 1);
      break;
    case ScriptKind::size: {
      // Like a window system, sizes beyond what the renderer holds are cut to its limits.
      int max_w = 0, max_h = 0, w = a.a, hh = a.b;
      if (host_max_drawing_area(&max_w, &max_h)) {
        if (w > max_w) w = max_w;
        if (hh > max_h) hh = max_h;
      }
      if (s.window && resize_buffer(s.window, w, hh))
        emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(w, hh));
      break;
    }
    case ScriptKind::mouse: {
      emulated_mouse_buttons(unsigned(a.c));
      if (s.window) {
        s.cursor_x = s.window->x + a.a;
        s.cursor_y = s.window->y + a.b;
      }
      emulated_post(HOST_WM_MOUSEMOVE, uintptr_t(a.c), emulated_size_lparam(a.a, a.b));
      break;
    }
    case ScriptKind::wheel:
      emulated_wheel(a.a > 0 ? 1 : -1, 0);
      break;
    case ScriptKind::close: emulated_post(HOST_WM_CLOSE, 0, 0); break;
    case ScriptKind::quit: host_post_quit_message(0); break;
    case ScriptKind::snapshot: snapshot(a.text); break;
    case ScriptKind::drop:  // a window that takes no files refuses the drop
      if (s.window && s.window->accepts_files)
        emulated_post(HOST_WM_DROPFILES, posix_drop_make(in_start_directory(a.text).c_str()), 0);
      break;
    case ScriptKind::restore:
      if (s.window && s.window->iconic) {
        s.window->iconic = false;
        emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(s.window->client_w, s.window->client_h));
      }
      break;
  }
}

// VANTOREL_FRAMES=N presses the close button after N frames. Without it, a program with no
// script has no input at all, and an interactive one would wait for ever for a key nobody can
// press, so the close button comes after kDefaultFrames. Programs that must run longer (the
// player's -once runs, long renders) set VANTOREL_FRAMES=0 or give a script.
constexpr int kDefaultFrames = 120;

void read_frame_limit(Headless& s, bool have_script) {
  const char* text = getenv("VANTOREL_FRAMES");
  if (!text) {
    s.frame_limit = have_script || s.under_test ? 0 : kDefaultFrames;
    return;
  }
  const char* p = text;
  int n;
  if (!scan_int(&p, &n) || n < 0 || *p) {
    fprintf(stderr, "headless: VANTOREL_FRAMES must be a number of frames (0 for no limit), not '%s'\n",
            text);
    exit(2);
  }
  s.frame_limit = n;
}

void load_script() {
  Headless& s = state();
  if (s.script_loaded) return;
  s.script_loaded = true;
  std::string text = s.script_text;
  const char* name = s.script_given ? nullptr : getenv("VANTOREL_SCRIPT");
  read_frame_limit(s, s.script_given || (name && *name));
  if (!s.script_given) {
    if (!name || !*name) return;
    std::string path = in_start_directory(name);
    std::ifstream in(path, std::ios::binary);
    // Linux opens a folder and only fails its reads; it is no script either.
    struct stat info;
    bool folder = stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!in || folder) {
      fprintf(stderr, "headless: cannot read script %s%s%s\n", name, folder ? ": " : "",
              folder ? strerror(EISDIR) : "");
      exit(2);
    }
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  std::string error;
  if (!headless_parse_script(text, &s.script, &error)) {
    fprintf(stderr, "headless: %s\n", error.c_str());
    exit(2);
  }
}

// A poll begins with the first peek after the previous poll's message batch ran dry.
void begin_poll() {
  Headless& s = state();
  load_script();
  s.polls++;
  if (s.record_polls) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    s.poll_times.push_back(double(ts.tv_sec) + ts.tv_nsec * 1e-9);
  }
  while (s.next_action < s.script.size() && s.script[s.next_action].poll <= s.polls)
    apply(s.script[s.next_action++]);
  if (s.frame_limit > 0 && s.polls == s.frame_limit + 1) emulated_post(HOST_WM_CLOSE, 0, 0);
}

HostWindowRec* window_of(HostDC dc) { return dc ? dc->window : nullptr; }

}  // namespace

// ---- screen and pointer -------------------------------------------------------------------------

int host_system_metric(int index) {
  Headless& s = state();
  int dx, dy, dw, dh;
  desktop(&dx, &dy, &dw, &dh);
  switch (index) {
    case HOST_SM_CXSCREEN: return s.display_w;
    case HOST_SM_CYSCREEN: return s.display_h;
    case HOST_SM_CXFRAME: return kFrameWidth;
    case HOST_SM_CYFRAME: return kFrameWidth;
    case HOST_SM_CYCAPTION: return kCaptionHeight;
    case HOST_SM_XVIRTUALSCREEN: return dx;
    case HOST_SM_YVIRTUALSCREEN: return dy;
    case HOST_SM_CXVIRTUALSCREEN: return dw;
    case HOST_SM_CYVIRTUALSCREEN: return dh;
    default: return 0;
  }
}

void host_cursor_pos(int* x, int* y) {
  if (x) *x = state().cursor_x;
  if (y) *y = state().cursor_y;
}

void host_set_cursor_pos(int x, int y) {
  state().cursor_x = x;
  state().cursor_y = y;
}

int host_show_cursor(int show) {
  Headless& s = state();
  s.cursor_count += show ? 1 : -1;
  trace(show ? "cursor shown (%d)" : "cursor hidden (%d)", s.cursor_count);
  return s.cursor_count;
}

// ---- window -------------------------------------------------------------------------------------

HostWindow host_create_window(const char* class_name, const char* title, uint32_t style, int x,
                              int y, int width, int height, HostInstance) {
  Headless& s = state();
  if (!emulated_class_procedure() || !class_name || strcmp(emulated_class_name(), class_name) != 0 ||
      s.window)
    return nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  HostWindowRec* win = new HostWindowRec{};
  win->title = title ? title : "";
  win->style = style;
  win->x = x, win->y = y, win->outer_w = width, win->outer_h = height;
  int cw = width, ch = height;
  if (!(style & HOST_WS_POPUP)) {  // a framed window: the frame and caption take their share
    cw -= 2 * kFrameWidth;
    ch -= kCaptionHeight + 2 * kFrameWidth;
  }
  win->client_w = 0, win->client_h = 0;
  int max_w = 0, max_h = 0;
  if (host_max_drawing_area(&max_w, &max_h) && (cw > max_w || ch > max_h)) {
    delete win;
    return nullptr;
  }
  s.window = win;
  if (!resize_buffer(win, cw, ch)) {
    s.window = nullptr;
    delete win;
    return nullptr;
  }
  emulated_window_created(win);
  trace("window %dx%d", win->client_w, win->client_h);
  emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(cw > 0 ? cw : 0, ch > 0 ? ch : 0));
  return win;
}

HostGLRC host_create_context(HostDC dc) {
  if (!dc || !dc->pixel_format) return nullptr;
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!ctx) return nullptr;
  return new HostGLRCRec{ctx};
}

int host_make_current(HostDC dc, HostGLRC context) {
  Headless& s = state();
  if (!context) {
    if (!s.current) return 0;
    s.current = nullptr;
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    return 1;
  }
  HostWindowRec* win = window_of(dc);
  if (!win || win->pixels.empty()) return 0;
  if (!OSMesaMakeCurrent(context->context, win->pixels.data(), GL_UNSIGNED_BYTE, win->client_w,
                         win->client_h))
    return 0;
  s.current = context;
  return 1;
}

int host_delete_context(HostGLRC context) {
  if (!context) return 0;
  if (state().current == context) state().current = nullptr;
  OSMesaDestroyContext(context->context);
  delete context;
  return 1;
}

int host_swap_buffers(HostDC dc) {
  // One buffer: presenting only means the drawing is finished.
  if (!dc || !state().current) return 0;
  glFinish();
  return 1;
}

void* host_gl_proc_address(const char* name) {
  return name ? reinterpret_cast<void*>(OSMesaGetProcAddress(name)) : nullptr;
}

const char* host_window_system_extensions() { return ""; }  // OSMesa has no swap to control

int host_max_drawing_area(int* width, int* height) {
  static int max_w = -1, max_h = -1;
  if (max_w < 0) {
    GLint w = 0, hh = 0;
    OSMesaGetIntegerv(OSMESA_MAX_WIDTH, &w);
    OSMesaGetIntegerv(OSMESA_MAX_HEIGHT, &hh);
    // The viewport limit needs a current context: a one-pixel one when there is none yet.
    static uint8_t pixel[4];
    OSMesaContext probe = nullptr;
    if (!OSMesaGetCurrentContext()) {
      probe = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
      if (probe && !OSMesaMakeCurrent(probe, pixel, GL_UNSIGNED_BYTE, 1, 1)) {
        OSMesaDestroyContext(probe);
        probe = nullptr;
      }
    }
    if (OSMesaGetCurrentContext()) {
      GLint viewport[2] = {0, 0};
      glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
      if (viewport[0] > 0 && (w <= 0 || viewport[0] < w)) w = viewport[0];
      if (viewport[1] > 0 && (hh <= 0 || viewport[1] < hh)) hh = viewport[1];
    }
    if (probe) {
      OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
      OSMesaDestroyContext(probe);
    }
    max_w = w > 0 ? w : 0;
    max_h = hh > 0 ? hh : 0;
  }
  if (width) *width = max_w;
  if (height) *height = max_h;
  return max_w > 0 && max_h > 0;
}

int host_change_display_mode(const HostDisplayMode* mode, unsigned) {
  Headless& s = state();
  if (!mode) {
    s.display_w = s.screen_w;
    s.display_h = s.screen_h;
    if (s.display_changed) trace("display mode restored to %dx%d", s.screen_w, s.screen_h);
    s.display_changed = false;
    return 0;
  }
  if (mode->pels_width == 0 || mode->pels_height == 0) return -2;  // DISP_CHANGE_BADMODE
  s.display_w = int(mode->pels_width);
  s.display_h = int(mode->pels_height);
  s.display_changes++;
  s.display_changed = true;
  trace("display mode %dx%d", s.display_w, s.display_h);
  return 0;
}

int host_is_iconic(HostWindow window) { return window && window->iconic; }

void host_set_topmost(HostWindow window) {
  if (!window || window->topmost) return;
  window->topmost = true;
  trace("topmost");
}

void host_minimise(HostWindow window) {
  if (!window || window->iconic) return;
  window->iconic = true;
  trace("minimised");
  emulated_post(HOST_WM_SIZE, 1, 0);  // SIZE_MINIMIZED, client 0 x 0
}

void host_accept_dropped_files(HostWindow window) {
  if (window) window->accepts_files = true;
}

void host_set_window_text(HostWindow window, const char* title) {
  if (!window) return;
  window->title = title ? title : "";
  if (state().trace) fprintf(stderr, "headless: title %s\n", window->title.c_str());
}

void host_set_full_screen(HostWindow window, int full_screen) {
  Headless& s = state();
  if (!window) return;
  bool popup = window->style & HOST_WS_POPUP;
  if (full_screen && !popup) {
    window->framed_style = window->style;
    window->framed_x = window->x, window->framed_y = window->y;
    window->framed_w = window->outer_w, window->framed_h = window->outer_h;
    window->style = (window->style & (HOST_WS_VISIBLE | HOST_WS_CLIPSIBLINGS | HOST_WS_CLIPCHILDREN)) |
                    HOST_WS_POPUP;
    window->x = 0, window->y = 0;
    window->outer_w = s.display_w, window->outer_h = s.display_h;
  } else if (!full_screen && popup) {
    if (s.display_changed) host_change_display_mode(nullptr, 0);  // a window needs the desktop's mode
    if (window->framed_w <= 0) {
      // Started full screen: a framed window of 0.6 of the screen, in its middle.
      window->framed_style = 0x160F0000u;
      window->framed_w = int(s.display_w * 0.6) + 2 * kFrameWidth;
      window->framed_h = int(s.display_h * 0.6) + kCaptionHeight + 2 * kFrameWidth;
      window->framed_x = (s.display_w - window->framed_w) / 2;
      window->framed_y = (s.display_h - window->framed_h) / 2;
    }
    window->style = window->framed_style;
    window->x = window->framed_x, window->y = window->framed_y;
    window->outer_w = window->framed_w, window->outer_h = window->framed_h;
    window->topmost = false;
  } else {
    return;
  }
  window->full_screen = full_screen != 0;
  int cw = window->outer_w, ch = window->outer_h;
  if (!full_screen) {
    cw -= 2 * kFrameWidth;
    ch -= kCaptionHeight + 2 * kFrameWidth;
  }
  resize_buffer(window, cw, ch);
  trace(full_screen ? "full screen %dx%d" : "windowed %dx%d", window->client_w, window->client_h);
  emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(window->client_w, window->client_h));
}

// ---- messages -----------------------------------------------------------------------------------

int host_peek_message() {
  Headless& s = state();
  if (!s.in_batch) {
    s.in_batch = true;
    begin_poll();
  }
  if (!emulated_pending()) {
    s.in_batch = false;
    return 0;
  }
  return 1;
}

int host_get_message(HostMessage* message) {
  if (emulated_get(message)) return 1;
  state().in_batch = false;
  return 0;
}

void host_keyboard_state(unsigned char keys[256]) { emulated_keyboard_state(keys); }

// ---- environment --------------------------------------------------------------------------------

bool headless_parse_screen(const char* text, int* width, int* height) {
  int w, hh;
  if (!text || !scan_int(&text, &w) || *text++ != 'x' || !scan_int(&text, &hh)) return false;
  if (w <= 0 || hh <= 0) return false;
  *width = w;
  *height = hh;
  return true;
}

bool headless_parse_desktop(const char* text, int* width, int* height, int* x, int* y) {
  int w, hh, dx, dy;
  if (!text || !scan_int(&text, &w) || *text++ != 'x' || !scan_int(&text, &hh) ||
      !scan_int(&text, &dx) || !scan_int(&text, &dy))
    return false;
  if (w <= 0 || hh <= 0) return false;
  *width = w, *height = hh, *x = dx, *y = dy;
  return true;
}

// ---- for tests ----------------------------------------------------------------------------------

HeadlessState headless_state() {
  Headless& s = state();
  HeadlessState out{};
  if (s.window) {
    out.window_exists = true;
    out.title = s.window->title;
    out.style = s.window->style;
    out.x = s.window->x, out.y = s.window->y;
    out.outer_w = s.window->outer_w, out.outer_h = s.window->outer_h;
    out.client_w = s.window->client_w, out.client_h = s.window->client_h;
    out.iconic = s.window->iconic, out.topmost = s.window->topmost;
  }
  out.display_w = s.display_w, out.display_h = s.display_h;
  out.display_changes = s.display_changes;
  out.display_changed = s.display_changed;
  out.cursor_count = s.cursor_count;
  out.cursor_x = s.cursor_x, out.cursor_y = s.cursor_y;
  out.polls = s.polls;
  return out;
}

void headless_reset() {
  Headless& s = state();
  if (s.current) {
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    host_delete_context(s.current);
  }
  delete s.window;
  s = Headless{};
  s.under_test = true;
  emulated_reset();
  read_environment(s);
}

void headless_set_script(const std::string& script) {
  Headless& s = state();
  s.script_text = script;
  s.script_given = true;
  s.script_loaded = false;
  s.script.clear();
  s.next_action = 0;
}

void headless_record_polls(bool on) {
  state().record_polls = on;
  if (on) state().poll_times.clear();
}

const std::vector<double>& headless_poll_times() { return state().poll_times; }

uint32_t headless_pixel(int x, int y) {
  Headless& s = state();
  HostWindowRec* win = s.window;
  if (!win || x < 0 || y < 0 || x >= win->client_w || y >= win->client_h) return 0;
  if (s.current) glFinish();
  const uint8_t* p = &win->pixels[(size_t(win->client_h - 1 - y) * win->client_w + x) * 4];
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}
