// Web host: host/host.h on the browser's services. The canvas the page hands over as
// Module.canvas is the window and its drawing area (each instance of the module has its own, so a
// page may run several), the page's size is the screen, browser events become the Win32 messages the
// shell's window procedure expects, the clock is performance.now(), and sleeping yields to the
// browser through Asyncify so that the playback loop stays as it is. Message boxes are a dialog
// in the page and the console text goes to a panel of it (both through functions the page
// defines on Module; without them, standard error and standard output). Files live in
// Emscripten's in-memory file system, where the page puts what it fetched or was given.
// The queue, the key array and the messages they make are host/emulated's: this file turns the
// page's events into its calls.
// Embedded in a page as an element (Module.vantorelElement), the program leaves the page alone:
// it listens only to its own element, keeps the title, and no key ends it; the element itself
// takes the picture full screen.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>

#include "gfx/keys.h"
#include "host/emulated/emulated.h"
#include "host/host.h"
#include "host/posix/posix_drop.h"
#include "host/web/web_gl.h"
#include "host/web/web_keys.h"

struct HostWindowRec {
  int framed_w, framed_h;  // the size to go back to from full screen
  bool full_screen;
};
struct HostGLRCRec {
  int unused;
};

namespace {

// This instance's canvas and the element that takes its keys, named for Emscripten's event calls.
constexpr const char* kCanvas = "!canvas";
constexpr const char* kKeyTarget = "!keys";
// The browser is given a turn at least this often (in milliseconds of running without a sleep),
// so that it shows the picture and delivers input even when the program never sleeps.
constexpr double kYieldEveryMs = 16;

struct WebHost {
  std::string command_line, start_directory;
  HostWindowRec* window = nullptr;
  int cursor_count = 0, mouse_x = 0, mouse_y = 0;
  unsigned buttons = 0;
  double last_yield = 0;
  int polls = 0;
  bool in_box = false;  // a message box is open: the keys are the dialog's
  bool embedded = false;  // inside an element of someone else's page
  bool stopping = false;  // the element asked this program to end
};

WebHost& host() {
  static WebHost* h = new WebHost;  // outlives every exit path
  return *h;
}
int g_instance_tag;

void yield_to_browser(int ms) {
  emscripten_sleep(unsigned(ms < 0 ? 0 : ms));
  host().last_yield = emscripten_get_now();
}

// ---- page services ------------------------------------------------------------------------------

EM_JS(int, web_page_width, (), { return window.innerWidth | 0; });
EM_JS(int, web_page_height, (), { return window.innerHeight | 0; });
EM_JS(int, web_screen_width, (), { return screen.width | 0; });
EM_JS(int, web_screen_height, (), { return screen.height | 0; });
EM_JS(int, web_page_hidden, (), { return document.hidden ? 1 : 0; });

EM_JS(void, web_set_title, (const char* title), {
  if (!Module['vantorelElement']) document.title = UTF8ToString(title);
});

// Binds the names above to this instance's elements; returns 1 when embedded in an element.
EM_JS(int, web_bind_targets, (), {
  var c = Module['canvas'] || document.getElementById('canvas');
  Module['canvas'] = c;
  specialHTMLTargets['!canvas'] = c;
  specialHTMLTargets['!keys'] = Module['vantorelKeyTarget'] || c;
  return Module['vantorelElement'] ? 1 : 0;
});

// Shown at one CSS pixel per drawing pixel, so the browser does not resample the picture.
EM_JS(void, web_size_canvas, (int w, int h), {
  var c = Module['canvas'];
  c.width = w;
  c.height = h;
  if (Module['vantorelElement']) return;  // the element sizes its canvas itself
  var ratio = window.devicePixelRatio || 1;
  c.style.width = (w / ratio) + 'px';
  c.style.height = (h / ratio) + 'px';
});

EM_JS(void, web_cursor_visible, (int visible), {
  var c = Module['canvas'];
  c.style.cursor = visible ? "" : "none";
});

EM_JS(void, web_request_full_screen, (int on), {
  var c = Module['canvas'];
  try {
    if (on && !document.fullscreenElement && c.requestFullscreen) c.requestFullscreen().catch(function() {});
    if (!on && document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(function() {});
  } catch (e) {
  }
});

EM_ASYNC_JS(int, web_message_box, (const char* caption, const char* text), {
  var c = UTF8ToString(caption), t = UTF8ToString(text);
  if (Module['vantorelMessageBox']) {
    await Module['vantorelMessageBox'](c, t);
  } else {
    err(c + ': ' + t);
  }
  return 1;
});

EM_JS(void, web_console_write, (const char* text, int length), {
  var s = UTF8ToString(text, length);
  if (Module['vantorelConsole']) Module['vantorelConsole'](s);
  else out(s);
});

EM_JS(void, web_report_poll, (int polls), {
  if (Module['vantorelPoll']) Module['vantorelPoll'](polls);
});

EM_JS(int, web_probe_drawing_area, (), {
  try {
    var gl = document.createElement('canvas').getContext('webgl2');
    if (!gl) return 0;
    var rb = gl.getParameter(gl.MAX_RENDERBUFFER_SIZE), vp = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    return Math.min(rb, vp[0], vp[1]) | 0;
  } catch (e) {
    return 0;
  }
});

// The desktop converts a screenshot with bmp2png; here the page offers it as a PNG download
// instead (the BMP stays in the in-memory file system). Returns 0 when the download was started.
EM_JS(int, web_offer_png, (const char* bmp_path), {
  try {
    var path = UTF8ToString(bmp_path);
    var b = FS.readFile(path);
    var v = new DataView(b.buffer, b.byteOffset, b.byteLength);
    var offset = v.getUint32(10, true), w = v.getInt32(18, true), h = v.getInt32(22, true);
    if (v.getUint16(28, true) !== 24 || w <= 0 || h === 0) return 1;
    var rows = Math.abs(h), stride = (w * 3 + 3) & ~3;
    var c = document.createElement('canvas');
    c.width = w;
    c.height = rows;
    var g = c.getContext('2d'), img = g.createImageData(w, rows);
    for (var y = 0; y < rows; y++) {
      var src = offset + (h > 0 ? rows - 1 - y : y) * stride;  // bottom row first unless h < 0
      for (var x = 0; x < w; x++) {
        var o = (y * w + x) * 4, s = src + x * 3;
        img.data[o] = b[s + 2];
        img.data[o + 1] = b[s + 1];
        img.data[o + 2] = b[s];
        img.data[o + 3] = 255;
      }
    }
    g.putImageData(img, 0, 0);
    var name = path.split('/').pop().slice(0, -4) + '.png';
    c.toBlob(function(blob) {
      var a = document.createElement('a');
      a.href = URL.createObjectURL(blob);
      a.download = name;
      a.click();
      setTimeout(function() { URL.revokeObjectURL(a.href); }, 10000);
    }, 'image/png');
    return 0;
  } catch (e) {
    return 1;
  }
});

// ---- events -------------------------------------------------------------------------------------

// Typed text comes with the key: a key whose name is one character types it ("Enter",
// "ArrowLeft" are named keys, not characters).
void typed(const char* key) {
  unsigned code;
  if (!*emulated_utf8_next(key, &code)) emulated_char(code);
}

// Keys whose browser action stays the browser's: moving the focus, reloading, the developer
// tools, scrolling, and whatever is held with Ctrl, Alt or Meta (shortcuts).
bool browser_key(const EmscriptenKeyboardEvent* e, int vk) {
  if (e->ctrlKey || e->altKey || e->metaKey) return true;
  switch (vk) {
    case 0x09:  // Tab
    case 0x1B:  // Escape: leaves full screen
    case 0x21: case 0x22: case 0x23: case 0x24: case 0x26: case 0x28:  // paging, Home/End, Up/Down
      return true;
    default:
      return vk >= 0x70 && vk <= 0x7B && vk != 0x7A;  // F1 to F12 but F11
  }
}

EM_BOOL key_event(int type, const EmscriptenKeyboardEvent* e, void*) {
  WebHost& s = host();
  if (s.in_box) return EM_FALSE;
  bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  int sided = 0;
  int vk = web_virtual_key(e->key, e->code, &sided);
  if (!vk) return EM_FALSE;
  // Plus and minus of the main keyboard speed up and slow down like the keypad's.
  if (!strcmp(e->key, "+")) vk = GFX_KEY_KP_ADD;
  if (!strcmp(e->key, "-")) vk = GFX_KEY_KP_SUBTRACT;
  // In an element no key ends the program, and full screen (Enter, F11) and restarting (R, which
  // ends a program that plays once) are the element's.
  if (s.embedded && (vk == GFX_KEY_Q || vk == GFX_KEY_ESCAPE || vk == GFX_KEY_F11 ||
                     vk == GFX_KEY_ENTER || vk == GFX_KEY_R))
    return EM_FALSE;
  emulated_key(vk, down, e->repeat, sided);
  if (down && !e->ctrlKey && !e->altKey && !e->metaKey && e->key[0]) typed(e->key);
  // The page's own use of the player's keys (Space scrolling, the browser's full screen on F11)
  // is left out; the browser's own keys go on to it.
  return browser_key(e, vk) ? EM_FALSE : EM_TRUE;
}

// The page's buttons (1 left, 2 right, 4 middle) as the window's MK_* bits.
unsigned mouse_buttons() {
  WebHost& s = host();
  return ((s.buttons & 1) ? HOST_MK_LBUTTON : 0) | ((s.buttons & 2) ? HOST_MK_RBUTTON : 0) |
         ((s.buttons & 4) ? HOST_MK_MBUTTON : 0);
}

uintptr_t mouse_wparam() {
  const unsigned char* keys = emulated_keys();
  return emulated_mouse_wparam(mouse_buttons(), keys[0x10] & 0x80, keys[0x11] & 0x80);
}

EM_BOOL mouse_event(int type, const EmscriptenMouseEvent* e, void*) {
  WebHost& s = host();
  s.mouse_x = int(e->targetX), s.mouse_y = int(e->targetY);
  s.buttons = e->buttons;  // 1 left, 2 right, 4 middle
  emulated_mouse_buttons(mouse_buttons());
  unsigned message = HOST_WM_MOUSEMOVE;
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN || type == EMSCRIPTEN_EVENT_MOUSEUP) {
    bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    if (e->button == 0) message = down ? HOST_WM_LBUTTONDOWN : HOST_WM_LBUTTONUP;
    else if (e->button == 2) message = down ? HOST_WM_RBUTTONDOWN : HOST_WM_RBUTTONUP;
    else if (e->button == 1) message = down ? HOST_WM_MBUTTONDOWN : HOST_WM_MBUTTONUP;
    else return EM_FALSE;
  }
  emulated_post(message, mouse_wparam(), emulated_size_lparam(s.mouse_x, s.mouse_y));
  return s.embedded ? EM_FALSE : EM_TRUE;  // an element keeps focusing on a click
}

EM_BOOL wheel_event(int, const EmscriptenWheelEvent* e, void*) {
  int steps = e->deltaY < 0 ? 1 : e->deltaY > 0 ? -1 : 0;  // up is away from the user
  if (!steps) return EM_FALSE;
  emulated_wheel(steps, mouse_wparam());
  return host().embedded ? EM_FALSE : EM_TRUE;  // the page under an element still scrolls
}

EM_BOOL full_screen_event(int, const EmscriptenFullscreenChangeEvent* e, void*) {
  WebHost& s = host();
  HostWindowRec* win = s.window;
  if (!win || s.embedded) return EM_FALSE;
  int w = e->isFullscreen ? e->screenWidth : win->framed_w;
  int h = e->isFullscreen ? e->screenHeight : win->framed_h;
  if (!e->isFullscreen) win->full_screen = false;
  if (w > 0 && h > 0) {
    web_size_canvas(w, h);
    web_gl_resize(w, h);
    emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(w, h));
  }
  return EM_FALSE;
}

void listen() {
  const char* doc = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
  // Keys only while this program's element has the focus: the page's other fields keep theirs.
  emscripten_set_keydown_callback(kKeyTarget, nullptr, EM_TRUE, key_event);
  emscripten_set_keyup_callback(kKeyTarget, nullptr, EM_TRUE, key_event);
  emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, mouse_event);
  emscripten_set_mouseup_callback(kCanvas, nullptr, EM_TRUE, mouse_event);
  emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, mouse_event);
  emscripten_set_wheel_callback(kCanvas, nullptr, EM_TRUE, wheel_event);
  emscripten_set_fullscreenchange_callback(doc, nullptr, EM_TRUE, full_screen_event);
}

}  // namespace

// A file the page put into the file system after a drop or the Open button: played in place of
// the current one, as a file dropped on the desktop window is.
extern "C" EMSCRIPTEN_KEEPALIVE void web_drop_file(const char* path) {
  if (host().window && path) emulated_post(HOST_WM_DROPFILES, posix_drop_make(path), 0);
}

// A key pressed and let go between two polls, as the element's buttons and methods press them:
// the next poll sees it down once.
extern "C" EMSCRIPTEN_KEEPALIVE void web_tap_key(int vk) {
  if (vk <= 0 || vk >= 256) return;
  emulated_key(vk, true, false);
  emulated_key(vk, false, false);
}

// ---- process ------------------------------------------------------------------------------------

const char* host_command_line() { return host().command_line.c_str(); }
void host_set_command_line(const char* line) { host().command_line = line ? line : ""; }
HostInstance host_instance() { return &g_instance_tag; }
int host_set_current_directory(const char* path) {
  return path && EM_ASM_INT({ try { FS.chdir(UTF8ToString($0)); return 1; } catch (e) { return 0; } },
                            path);
}
const char* host_start_directory() { return host().start_directory.c_str(); }
void host_set_start_directory(const char* dir) { host().start_directory = dir ? dir : ""; }
const char* host_path_separators() { return "/\\"; }
int host_run_program(const char* const argv[]) {
  // A page starts no programs; the screenshot converter's work it does itself.
  if (!argv || !argv[0]) return -1;
  int n = 0;
  while (argv[n]) n++;
  const char* last = argv[n - 1];
  size_t len = strlen(last);
  if (!strcmp(argv[0], "bmp2png") && n > 1 && len > 4 && !strcasecmp(last + len - 4, ".bmp"))
    return web_offer_png(last);
  return -1;
}

// ---- where the program keeps the user's files ---------------------------------------------------

// The page's files live in its own memory file system, which nothing else shares: the log stays
// in the program's folder there.
int host_program_is_installed() { return 0; }
const char* host_user_state_directory() { return ""; }

// ---- message box and console --------------------------------------------------------------------

int host_message_box(const char* caption, const char* text, unsigned) {
  fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  fflush(stderr);
  web_gl_flush();
  host().in_box = true;
  int button = web_message_box(caption ? caption : "", text ? text : "");
  host().in_box = false;
  return button;
}

void host_console_open() {}
void host_console_write(const char* text, size_t length) {
  if (text && length) web_console_write(text, int(length));
}
void host_console_close() {}
int host_console_getchar() { return EOF; }

// ---- counters -----------------------------------------------------------------------------------

int host_perf_frequency(int64_t* frequency) {
  if (frequency) *frequency = 1000000000;
  return 1;
}
int host_perf_counter(int64_t* count) {
  if (count) *count = int64_t(emscripten_get_now() * 1e6);
  return 1;
}
uint32_t host_tick_count() { return uint32_t(int64_t(emscripten_get_now())); }

void host_sleep_until(int64_t count) {
  // The browser's timers are whole milliseconds and may fire late; the caller reads the
  // counter after the sleep and waits out the rest itself.
  double ms = double(count) / 1e6 - emscripten_get_now();
  yield_to_browser(ms >= 1 ? int(ms) : 0);
}

// ---- screen and pointer -------------------------------------------------------------------------

int host_system_metric(int index) {
  switch (index) {
    case HOST_SM_CXSCREEN:
    case HOST_SM_CXVIRTUALSCREEN: return web_page_width();
    case HOST_SM_CYSCREEN:
    case HOST_SM_CYVIRTUALSCREEN: return web_page_height();
    default: return 0;  // no frame, no caption: the canvas is the drawing area alone
  }
}

void host_cursor_pos(int* x, int* y) {
  if (x) *x = host().mouse_x;
  if (y) *y = host().mouse_y;
}
void host_set_cursor_pos(int, int) {}  // pages cannot move the pointer
int host_show_cursor(int show) {
  WebHost& s = host();
  s.cursor_count += show ? 1 : -1;
  web_cursor_visible(s.cursor_count >= 0);
  return s.cursor_count;
}

// ---- window -------------------------------------------------------------------------------------

HostWindow host_create_window(const char*, const char* title, uint32_t style, int, int, int width,
                              int height, HostInstance) {
  WebHost& s = host();
  if (!emulated_class_procedure() || s.window || width <= 0 || height <= 0) return nullptr;
  HostWindowRec* win = new HostWindowRec{width, height, false};
  s.window = win;
  emulated_window_created(win);
  s.embedded = web_bind_targets() != 0;
  web_size_canvas(width, height);
  web_set_title(title ? title : "");
  listen();
  emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(width, height));
  // A popup covering the page is the desktop's full-screen window.
  if ((style & HOST_WS_POPUP) && width == web_page_width() && height == web_page_height()) {
    win->full_screen = true;
    web_request_full_screen(1);
  }
  return win;
}

HostGLRC host_create_context(HostDC dc) {
  if (!dc || !dc->pixel_format) return nullptr;
  host().embedded = web_bind_targets() != 0;
  if (!web_gl_create(kCanvas)) return nullptr;
  static HostGLRCRec context{0};
  return &context;
}
int host_make_current(HostDC dc, HostGLRC) { return dc != nullptr; }
int host_delete_context(HostGLRC context) { return context != nullptr; }

int host_swap_buffers(HostDC dc) {
  if (!dc) return 0;
  web_gl_swap();
  // A program that swaps shows a finished frame: the browser gets its turn to put it on screen.
  yield_to_browser(0);
  return 1;
}

void* host_gl_proc_address(const char*) { return nullptr; }
const char* host_window_system_extensions() { return ""; }

int host_max_drawing_area(int* width, int* height) {
  static int size = -1;
  if (size < 0) size = web_probe_drawing_area();
  if (width) *width = size;
  if (height) *height = size;
  return size > 0;
}

int host_change_display_mode(const HostDisplayMode* mode, unsigned) {
  return mode ? -2 : 0;  // DISP_CHANGE_BADMODE: a page cannot change the display's mode
}

int host_is_iconic(HostWindow window) { return window && web_page_hidden(); }
void host_set_topmost(HostWindow) {}
void host_minimise(HostWindow) {}
void host_set_window_text(HostWindow window, const char* title) {
  if (window) web_set_title(title ? title : "");
}

void host_set_full_screen(HostWindow window, int full_screen) {
  if (!window) return;
  if (full_screen && !window->full_screen) {
    window->full_screen = true;
    web_request_full_screen(1);
  } else if (!full_screen && window->full_screen) {
    window->full_screen = false;
    web_request_full_screen(0);
  }
  // The size follows from the browser's full-screen change event.
}

// ---- messages -----------------------------------------------------------------------------------

// The element that ran this program took another file or left the page: the program ends.
EM_JS(int, web_stop_requested, (), { return Module['vantorelStop'] ? 1 : 0; });

int host_peek_message() {
  WebHost& s = host();
  if (s.embedded && !s.stopping && web_stop_requested()) {
    s.stopping = true;
    host_post_quit_message(0);
  }
  if (!emulated_pending() && emscripten_get_now() - s.last_yield >= kYieldEveryMs)
    yield_to_browser(0);
  return emulated_pending();
}

int host_get_message(HostMessage* message) { return emulated_get(message); }

void host_accept_dropped_files(HostWindow) {}  // the page always hands its drops on

void host_keyboard_state(unsigned char keys[256]) {
  // A quick tap can go down and up between two polls; it still shows as down in this snapshot.
  emulated_keyboard_state(keys);
  // The page's tests wait on this count to know that a key has been seen.
  web_report_poll(++host().polls);
}
