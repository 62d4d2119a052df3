// Web host: host/host.h on the browser's services. The canvas the page hands over as
// Module.canvas is the window and its drawing area (each instance of the module has its own, so a
// page may run several), the page's size is the screen, browser events become the Win32 messages the
// shell's window procedure expects, the clock is performance.now(), and sleeping yields to the
// browser through Asyncify so that the playback loop stays as it is. Message boxes are a dialog
// in the page and the console text goes to a panel of it (both through functions the page
// defines on Module; without them, standard error and standard output). Files live in
// Emscripten's in-memory file system, where the page puts what it fetched or was given.
// Embedded in a page as an element (Module.vantorelElement), the program leaves the page alone:
// it listens only to its own element, keeps the title, and no key ends it; the element itself
// takes the picture full screen.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <deque>
#include <string>

#include "host/host.h"
#include "host/posix/posix_drop.h"
#include "host/web/web_gl.h"
#include "host/web/web_keys.h"

struct HostWindowRec;
struct HostDCRec {
  HostWindowRec* window;
  int pixel_format;
};
struct HostWindowRec {
  HostWndProc procedure;
  int framed_w, framed_h;  // the size to go back to from full screen
  bool full_screen;
  HostDCRec dc;
};
struct HostGLRCRec {
  int unused;
};

namespace {

// This instance's canvas and the element that takes its keys, named for Emscripten's event calls.
constexpr const char* kCanvas = "!canvas";
constexpr const char* kKeyTarget = "!keys";
constexpr int kWheelDelta = 120;
// The browser is given a turn at least this often (in milliseconds of running without a sleep),
// so that it shows the picture and delivers input even when the program never sleeps.
constexpr double kYieldEveryMs = 16;

struct WebHost {
  std::string command_line, start_directory;
  bool class_registered = false;
  HostWndProc class_procedure = nullptr;
  HostWindowRec* window = nullptr;
  std::deque<HostMessage> queue;
  unsigned char keys[256] = {};
  bool tapped[256] = {};
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

intptr_t size_lparam(int w, int h) {
  return intptr_t((uint32_t(h) & 0xFFFF) << 16 | (uint32_t(w) & 0xFFFF));
}

void post(unsigned message, uintptr_t wparam, intptr_t lparam) {
  WebHost& s = host();
  s.queue.push_back(HostMessage{s.window, message, wparam, lparam});
}

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

void set_key(int vk, bool down, bool repeat) {
  unsigned char& k = host().keys[vk];
  if (down && !repeat && !(k & 0x80)) k ^= 0x01;
  if (down) host().tapped[vk] = true;
  k = down ? (k | 0x80) : (k & 0x7F);
}

// Typed text: the window procedure takes single-byte characters, so code points up to 255 pass
// as Latin-1 and the rest as '?'.
void typed(const char* key) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(key);
  unsigned code = *p++;
  int extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
  if (code >= 0x80) code &= 0x3F >> extra;
  for (int i = 0; i < extra && (*p & 0xC0) == 0x80; i++) code = (code << 6) | (*p++ & 0x3F);
  if (*p) return;  // a named key ("Enter", "ArrowLeft"), not a character
  post(HOST_WM_CHAR, code <= 0xFF ? code : '?', 1);
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
  if (!strcmp(e->key, "+")) vk = 0x6B;
  if (!strcmp(e->key, "-")) vk = 0x6D;
  // In an element no key ends the program, and full screen (Enter, F11) and restarting (R, which
  // ends a program that plays once) are the element's.
  if (s.embedded && (vk == 'Q' || vk == 0x1B || vk == 0x7A || vk == 0x0D || vk == 'R')) return EM_FALSE;
  set_key(vk, down, e->repeat);
  if (sided) {
    set_key(sided, down, e->repeat);
    if (!down && (s.keys[sided ^ 1] & 0x80)) s.keys[vk] |= 0x80;
  }
  bool system = (s.keys[0x12] & 0x80) || vk == 0x79 || (vk == 0x12 && !down);
  unsigned message = down ? (system ? HOST_WM_SYSKEYDOWN : HOST_WM_KEYDOWN)
                          : (system ? HOST_WM_SYSKEYUP : HOST_WM_KEYUP);
  intptr_t lparam = 1;
  if (e->repeat) lparam |= intptr_t(1) << 30;
  if (!down) lparam |= intptr_t(3) << 30;
  post(message, uintptr_t(vk), lparam);
  if (down && !e->ctrlKey && !e->altKey && !e->metaKey && e->key[0]) typed(e->key);
  // The page's own use of the player's keys (Space scrolling, the browser's full screen on F11)
  // is left out; the browser's own keys go on to it.
  return browser_key(e, vk) ? EM_FALSE : EM_TRUE;
}

uintptr_t mouse_wparam() {
  WebHost& s = host();
  uintptr_t w = 0;
  if (s.buttons & 1) w |= HOST_MK_LBUTTON;
  if (s.buttons & 2) w |= HOST_MK_RBUTTON;
  if (s.buttons & 4) w |= HOST_MK_MBUTTON;
  if (s.keys[0x10] & 0x80) w |= 0x04;
  if (s.keys[0x11] & 0x80) w |= 0x08;
  return w;
}

EM_BOOL mouse_event(int type, const EmscriptenMouseEvent* e, void*) {
  WebHost& s = host();
  s.mouse_x = int(e->targetX), s.mouse_y = int(e->targetY);
  s.buttons = e->buttons;  // 1 left, 2 right, 4 middle
  s.keys[0x01] = (s.keys[0x01] & 0x01) | ((s.buttons & 1) ? 0x80 : 0);
  s.keys[0x02] = (s.keys[0x02] & 0x01) | ((s.buttons & 2) ? 0x80 : 0);
  s.keys[0x04] = (s.keys[0x04] & 0x01) | ((s.buttons & 4) ? 0x80 : 0);
  unsigned message = HOST_WM_MOUSEMOVE;
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN || type == EMSCRIPTEN_EVENT_MOUSEUP) {
    bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    if (e->button == 0) message = down ? HOST_WM_LBUTTONDOWN : HOST_WM_LBUTTONUP;
    else if (e->button == 2) message = down ? HOST_WM_RBUTTONDOWN : HOST_WM_RBUTTONUP;
    else if (e->button == 1) message = down ? HOST_WM_MBUTTONDOWN : HOST_WM_MBUTTONUP;
    else return EM_FALSE;
  }
  post(message, mouse_wparam(), size_lparam(s.mouse_x, s.mouse_y));
  return s.embedded ? EM_FALSE : EM_TRUE;  // an element keeps focusing on a click
}

EM_BOOL wheel_event(int, const EmscriptenWheelEvent* e, void*) {
  int steps = e->deltaY < 0 ? 1 : e->deltaY > 0 ? -1 : 0;  // up is away from the user
  if (!steps) return EM_FALSE;
  uint32_t delta = uint32_t(steps * kWheelDelta) & 0xFFFF;
  post(HOST_WM_MOUSEWHEEL, uintptr_t(delta << 16) | mouse_wparam(), 0);
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
    post(HOST_WM_SIZE, 0, size_lparam(w, h));
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
  if (host().window && path) post(HOST_WM_DROPFILES, posix_drop_make(path), 0);
}

// A key pressed and let go between two polls, as the element's buttons and methods press them:
// the next poll sees it down once.
extern "C" EMSCRIPTEN_KEEPALIVE void web_tap_key(int vk) {
  if (vk > 0 && vk < 256) host().tapped[vk] = true;
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

int host_register_class(const HostWindowClass* wc) {
  WebHost& s = host();
  if (!wc || !wc->procedure || s.class_registered) return 0;
  s.class_registered = true;
  s.class_procedure = wc->procedure;
  return 1;
}

HostWindow host_create_window(const char*, const char* title, uint32_t style, int, int, int width,
                              int height, HostInstance) {
  WebHost& s = host();
  if (!s.class_registered || s.window || width <= 0 || height <= 0) return nullptr;
  HostWindowRec* win = new HostWindowRec{s.class_procedure, width, height, false, {nullptr, 0}};
  win->dc.window = win;
  s.window = win;
  s.embedded = web_bind_targets() != 0;
  web_size_canvas(width, height);
  web_set_title(title ? title : "");
  listen();
  post(HOST_WM_SIZE, 0, size_lparam(width, height));
  // A popup covering the page is the desktop's full-screen window.
  if ((style & HOST_WS_POPUP) && width == web_page_width() && height == web_page_height()) {
    win->full_screen = true;
    web_request_full_screen(1);
  }
  return win;
}

HostDC host_get_dc(HostWindow window) { return window ? &window->dc : nullptr; }
int host_release_dc(HostWindow window, HostDC dc) { return window && dc == &window->dc; }

int host_choose_pixel_format(HostDC dc, const HostPixelFormat* format) {
  if (!dc || !format || format->pixel_type != 0 || !(format->flags & HOST_PFD_SUPPORT_OPENGL))
    return 0;
  return 1;
}
int host_set_pixel_format(HostDC dc, int format_number, const HostPixelFormat*) {
  if (!dc || format_number != 1 || dc->pixel_format) return 0;
  dc->pixel_format = format_number;
  return 1;
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
  if (s.queue.empty() && emscripten_get_now() - s.last_yield >= kYieldEveryMs) yield_to_browser(0);
  return !s.queue.empty();
}

int host_get_message(HostMessage* message) {
  WebHost& s = host();
  HostMessage m{nullptr, HOST_WM_QUIT, 0, 0};
  if (!s.queue.empty()) {
    m = s.queue.front();
    s.queue.pop_front();
  }
  if (message) *message = m;
  return m.message != HOST_WM_QUIT;
}

void host_translate_message(const HostMessage* message) {
  // Text comes with the key events; only the control keys Windows also makes characters of.
  if (!message || message->message != HOST_WM_KEYDOWN) return;
  int vk = int(message->wparam & 0xFF);
  if (vk == 0x1B || vk == 0x0D || vk == 0x08 || vk == 0x09)
    host().queue.push_front(HostMessage{message->window, HOST_WM_CHAR, uintptr_t(vk), 1});
}

intptr_t host_dispatch_message(const HostMessage* message) {
  if (!message || !message->window || !message->window->procedure) return 0;
  return message->window->procedure(message->window, message->message, message->wparam,
                                    message->lparam);
}

intptr_t host_def_window_proc(HostWindow window, unsigned message, uintptr_t, intptr_t) {
  if (message == HOST_WM_CLOSE && window && window->procedure)
    return window->procedure(window, HOST_WM_DESTROY, 0, 0);
  return 0;
}

void host_post_quit_message(int exit_code) {
  host().queue.push_back(HostMessage{nullptr, HOST_WM_QUIT, uintptr_t(exit_code), 0});
}

void host_accept_dropped_files(HostWindow) {}  // the page always hands its drops on


void host_keyboard_state(unsigned char keys[256]) {
  // A quick tap can go down and up between two polls; it still shows as down in this snapshot.
  WebHost& s = host();
  memcpy(keys, s.keys, 256);
  for (int vk = 0; vk < 256; vk++) {
    if (s.tapped[vk]) keys[vk] |= 0x80;
    s.tapped[vk] = false;
  }
  // The page's tests wait on this count to know that a key has been seen.
  web_report_poll(++s.polls);
}
