// SDL window services: a real window with a desktop OpenGL compatibility context (double-buffered,
// depth 24), SDL events turned into the Win32 messages the shell's window procedure expects, the
// keyboard as a 256-entry virtual-key array, full screen and display-mode changes, the pointer.
// SDL's own quit request (the last window closed, or SIGINT/SIGTERM) arrives as a quit message.
// The queue, the key array and the messages they make are host/emulated's: this file turns SDL's
// events into its calls.
#include <GL/gl.h>
#include <SDL.h>

#include <cerrno>  // program_invocation_short_name: messages carry the program's own name
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/emulated/emulated.h"
#include "host/emulated/gl_limits.h"
#include "host/host.h"
#include "host/posix/posix_drop.h"
#include "host/sdl/sdl_keys.h"

struct HostWindowRec {
  SDL_Window* sdl;
  bool full_screen;  // created with the popup style, or made full screen since
  int framed_x, framed_y, framed_w, framed_h;  // the framed window to go back to (w 0: none)
};
struct HostGLRCRec {
  SDL_GLContext context;
};

namespace {

// Frame metrics the shell adds around a framed window's drawing area. The window manager draws
// its own frame outside the area SDL creates, so these only shape the centring on the pointer.
constexpr int kFrameWidth = 4;
constexpr int kCaptionHeight = 24;
constexpr unsigned kSizeMinimised = 1;
// Without a display there is no screen to measure; a nominal one lets the shell go on to its
// window, whose creation then fails and is reported.
constexpr int kNoDisplayW = 640, kNoDisplayH = 480;

struct SdlHost {
  bool tried = false, ready = false;
  HostWindowRec* window = nullptr;
  int cursor_count = 0;
  bool mode_changed = false;
  bool flush_after_size = false;
};

SdlHost& host() {
  static SdlHost* s = new SdlHost;  // outlives every exit path
  return *s;
}

// Mesa takes the new drawable size at the next flush; without it the next front-buffer frame
// would still be drawn at the old size.
void flush_after_size() {
  SdlHost& s = host();
  if (!s.flush_after_size) return;
  s.flush_after_size = false;
  glFinish();
}

// Video starts on first use. Without a display every window call fails, which the shell reports.
// SDL's offscreen and dummy drivers count as no display: a window there is never seen.
bool video() {
  SdlHost& s = host();
  if (!s.tried) {
    s.tried = true;
    emulated_configure(EmulatedHost{false, flush_after_size});
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    s.ready = SDL_Init(SDL_INIT_VIDEO) == 0;
    if (!s.ready)
      fprintf(stderr, "%s: no display: %s\n", program_invocation_short_name, SDL_GetError());
    const char* driver = s.ready ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0)) {
      fprintf(stderr, "%s: no display (SDL's \"%s\" video driver shows nothing)\n",
              program_invocation_short_name, driver);
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      s.ready = false;
    }
    // Every end of the process (the loop, -once, close, fatal errors) gives the desktop its own
    // display mode back, as a temporary full-screen mode is on Windows.
    if (s.ready) atexit(SDL_Quit);
    SDL_Keymod mod = s.ready ? SDL_GetModState() : KMOD_NONE;
    if (mod & KMOD_CAPS) emulated_keys()[0x14] |= 0x01;
    if (mod & KMOD_NUM) emulated_keys()[0x90] |= 0x01;
  }
  return s.ready;
}

SDL_Rect desktop_bounds() {
  SDL_Rect all{0, 0, 0, 0};
  if (!video()) return all;
  int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; i++) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) != 0) continue;
    if (all.w == 0) all = r;
    else SDL_UnionRect(&all, &r, &all);
  }
  return all;
}

// SDL's button mask as the window's MK_* bits.
unsigned mouse_buttons(uint32_t buttons) {
  unsigned b = 0;
  if (buttons & SDL_BUTTON_LMASK) b |= HOST_MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) b |= HOST_MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) b |= HOST_MK_MBUTTON;
  return b;
}

uintptr_t mouse_wparam(uint32_t buttons) {
  SDL_Keymod mod = SDL_GetModState();
  return emulated_mouse_wparam(mouse_buttons(buttons), mod & KMOD_SHIFT, mod & KMOD_CTRL);
}

void key_event(const SDL_KeyboardEvent& e) {
  int sided = 0;
  int vk = sdl_virtual_key(e.keysym.scancode, e.keysym.sym, &sided);
  if (vk) emulated_key(vk, e.type == SDL_KEYDOWN, e.repeat, sided, e.keysym.scancode);
}

void window_event(const SDL_WindowEvent& e) {
  SdlHost& s = host();
  switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      s.flush_after_size = true;
      emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(e.data1, e.data2));
      break;
    case SDL_WINDOWEVENT_MINIMIZED: emulated_post(HOST_WM_SIZE, kSizeMinimised, 0); break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (s.window) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(s.window->sdl, &w, &h);
        s.flush_after_size = true;
        emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(w, h));
      }
      break;
    case SDL_WINDOWEVENT_CLOSE: emulated_post(HOST_WM_CLOSE, 0, 0); break;
    default: break;
  }
}

void gather_events() {
  SdlHost& s = host();
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT: host_post_quit_message(0); break;
      case SDL_WINDOWEVENT:
        // Only the player's window speaks; the limits probe's window is gone before it matters.
        if (s.window && e.window.windowID == SDL_GetWindowID(s.window->sdl)) window_event(e.window);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: key_event(e.key); break;
      case SDL_TEXTINPUT: emulated_text(e.text.text); break;
      case SDL_DROPFILE:
        if (e.drop.file) {
          emulated_post(HOST_WM_DROPFILES, posix_drop_make(e.drop.file), 0);
          SDL_free(e.drop.file);
        }
        break;
      case SDL_MOUSEMOTION:
        emulated_mouse_buttons(mouse_buttons(e.motion.state));
        emulated_post(HOST_WM_MOUSEMOVE, mouse_wparam(e.motion.state),
                      emulated_size_lparam(e.motion.x, e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        unsigned message;
        if (e.button.button == SDL_BUTTON_LEFT) message = down ? HOST_WM_LBUTTONDOWN : HOST_WM_LBUTTONUP;
        else if (e.button.button == SDL_BUTTON_RIGHT) message = down ? HOST_WM_RBUTTONDOWN : HOST_WM_RBUTTONUP;
        else if (e.button.button == SDL_BUTTON_MIDDLE) message = down ? HOST_WM_MBUTTONDOWN : HOST_WM_MBUTTONUP;
        else break;
        uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
        emulated_mouse_buttons(mouse_buttons(buttons));
        emulated_post(message, mouse_wparam(buttons), emulated_size_lparam(e.button.x, e.button.y));
        break;
      }
      case SDL_MOUSEWHEEL: {
        int steps = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
        if (steps != 0) emulated_wheel(steps, mouse_wparam(SDL_GetMouseState(nullptr, nullptr)));
        break;
      }
      default: break;
    }
  }
}

}  // namespace

// ---- screen and pointer -------------------------------------------------------------------------

int host_system_metric(int index) {
  if (!video()) {
    if (index == HOST_SM_CXSCREEN || index == HOST_SM_CXVIRTUALSCREEN) return kNoDisplayW;
    if (index == HOST_SM_CYSCREEN || index == HOST_SM_CYVIRTUALSCREEN) return kNoDisplayH;
    return 0;
  }
  SDL_DisplayMode mode{};
  SDL_Rect all = desktop_bounds();
  switch (index) {
    case HOST_SM_CXSCREEN: return SDL_GetCurrentDisplayMode(0, &mode) == 0 ? mode.w : 0;
    case HOST_SM_CYSCREEN: return SDL_GetCurrentDisplayMode(0, &mode) == 0 ? mode.h : 0;
    case HOST_SM_CXFRAME:
    case HOST_SM_CYFRAME: return kFrameWidth;
    case HOST_SM_CYCAPTION: return kCaptionHeight;
    case HOST_SM_XVIRTUALSCREEN: return all.x;
    case HOST_SM_YVIRTUALSCREEN: return all.y;
    case HOST_SM_CXVIRTUALSCREEN: return all.w;
    case HOST_SM_CYVIRTUALSCREEN: return all.h;
    default: return 0;
  }
}

void host_cursor_pos(int* x, int* y) {
  int px = 0, py = 0;
  if (video()) SDL_GetGlobalMouseState(&px, &py);
  if (x) *x = px;
  if (y) *y = py;
}

void host_set_cursor_pos(int x, int y) {
  if (video()) SDL_WarpMouseGlobal(x, y);
}

int host_show_cursor(int show) {
  SdlHost& s = host();
  s.cursor_count += show ? 1 : -1;
  if (video()) SDL_ShowCursor(s.cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return s.cursor_count;
}

// ---- window -------------------------------------------------------------------------------------

HostWindow host_create_window(const char*, const char* title, uint32_t style, int x, int y,
                              int width, int height, HostInstance) {
  SdlHost& s = host();
  if (!emulated_class_procedure() || s.window || !video()) return nullptr;
  bool popup = style & HOST_WS_POPUP;
  int cw = width, ch = height, cx = x, cy = y;
  if (!popup) {  // the outer rectangle holds the frame the shell allowed for
    cw -= 2 * kFrameWidth;
    ch -= kCaptionHeight + 2 * kFrameWidth;
    cx = x > INT_MAX - kFrameWidth ? INT_MAX : x + kFrameWidth;
    cy = y > INT_MAX - kCaptionHeight - kFrameWidth ? INT_MAX : y + kCaptionHeight + kFrameWidth;
  }
  if (cw <= 0 || ch <= 0) return nullptr;

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);

  uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  if (!(style & HOST_WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
  if (popup) {
    flags |= SDL_WINDOW_BORDERLESS;
    // A popup that covers one display exactly is that display's full screen.
    for (int i = 0; i < SDL_GetNumVideoDisplays(); i++) {
      SDL_Rect r;
      if (SDL_GetDisplayBounds(i, &r) == 0 && r.x == x && r.y == y && r.w == width && r.h == height) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        break;
      }
    }
  } else if (style & HOST_WS_THICKFRAME) {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  SDL_Window* sdl = SDL_CreateWindow(title ? title : "", cx, cy, cw, ch, flags);
  if (!sdl) {
    fprintf(stderr, "%s: %s\n", program_invocation_short_name, SDL_GetError());
    return nullptr;
  }
  HostWindowRec* win = new HostWindowRec{sdl, popup, 0, 0, 0, 0};
  s.window = win;
  emulated_window_created(win);
  SDL_StartTextInput();
  int dw = cw, dh = ch;
  SDL_GL_GetDrawableSize(sdl, &dw, &dh);
  emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(dw, dh));
  return win;
}

HostGLRC host_create_context(HostDC dc) {
  if (!dc || !dc->pixel_format) return nullptr;
  SDL_GLContext ctx = SDL_GL_CreateContext(dc->window->sdl);
  if (!ctx) {
    fprintf(stderr, "%s: %s\n", program_invocation_short_name, SDL_GetError());
    return nullptr;
  }
  return new HostGLRCRec{ctx};
}

int host_make_current(HostDC dc, HostGLRC context) {
  if (!dc) return 0;
  return SDL_GL_MakeCurrent(dc->window->sdl, context ? context->context : nullptr) == 0;
}

int host_delete_context(HostGLRC context) {
  if (!context) return 0;
  SDL_GL_DeleteContext(context->context);
  delete context;
  return 1;
}

int host_swap_buffers(HostDC dc) {
  if (!dc) return 0;
  SDL_GL_SwapWindow(dc->window->sdl);
  return 1;
}

namespace {
int swap_interval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }
}  // namespace

void* host_gl_proc_address(const char* name) {
  if (!name) return nullptr;
  if (strcmp(name, "wglSwapIntervalEXT") == 0) return reinterpret_cast<void*>(&swap_interval);
  return video() ? SDL_GL_GetProcAddress(name) : nullptr;
}

const char* host_window_system_extensions() {
  // Swap control is whatever SDL reaches (GLX or EGL): setting the interval in force tells.
  if (!video() || !SDL_GL_GetCurrentContext()) return "";
  return SDL_GL_SetSwapInterval(SDL_GL_GetSwapInterval()) == 0 ? "WGL_EXT_swap_control" : "";
}

int host_max_drawing_area(int* width, int* height) {
  static int max_w = -1, max_h = -1;
  if (max_w < 0) {
    max_w = max_h = 0;
    SdlHost& s = host();
    if (s.window && SDL_GL_GetCurrentContext()) {
      gl_limits(&max_w, &max_h);
    } else if (video()) {
      // Asked before the window exists: a hidden one-pixel window with the same kind of context.
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
      SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
      SDL_GLContext context = probe ? SDL_GL_CreateContext(probe) : nullptr;
      if (context) {
        gl_limits(&max_w, &max_h);
        SDL_GL_MakeCurrent(probe, nullptr);
        SDL_GL_DeleteContext(context);
      }
      if (probe) SDL_DestroyWindow(probe);
    }
  }
  if (width) *width = max_w;
  if (height) *height = max_h;
  return max_w > 0 && max_h > 0;
}

int host_change_display_mode(const HostDisplayMode* mode, unsigned) {
  SdlHost& s = host();
  HostWindowRec* win = s.window;
  if (!mode) {
    // Back to the desktop's own mode; SDL keeps the desktop mode and puts it back itself.
    if (win && s.mode_changed) SDL_SetWindowFullscreen(win->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    s.mode_changed = false;
    return 0;
  }
  if (!win || !video()) return -1;  // DISP_CHANGE_FAILED
  int display = SDL_GetWindowDisplayIndex(win->sdl);
  SDL_DisplayMode want{}, got{};
  want.w = int(mode->pels_width);
  want.h = int(mode->pels_height);
  // Only a mode the display has, as Windows changes only to a listed mode (DISP_CHANGE_BADMODE
  // otherwise). Forcing another size leaves a black screen where no mode can change (Xvfb);
  // refused, the popup stays at the asked size on the unchanged display and shows the picture.
  if (!SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &want, &got) || got.w != want.w ||
      got.h != want.h)
    return -2;
  if (SDL_SetWindowDisplayMode(win->sdl, &got) != 0) return -1;
  if (SDL_SetWindowFullscreen(win->sdl, SDL_WINDOW_FULLSCREEN) != 0) return -1;
  s.mode_changed = true;
  return 0;
}

int host_is_iconic(HostWindow window) {
  return window && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) != 0;
}

void host_set_topmost(HostWindow window) {
  if (window) SDL_SetWindowAlwaysOnTop(window->sdl, SDL_TRUE);
}

void host_minimise(HostWindow window) {
  if (window) SDL_MinimizeWindow(window->sdl);
}

void host_accept_dropped_files(HostWindow window) {
  if (window) SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
}

void host_set_window_text(HostWindow window, const char* title) {
  if (window) SDL_SetWindowTitle(window->sdl, title ? title : "");
}

void host_set_full_screen(HostWindow window, int full_screen) {
  SdlHost& s = host();
  if (!window) return;
  SDL_Window* sdl = window->sdl;
  bool now_full = SDL_GetWindowFlags(sdl) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (full_screen && !window->full_screen && !now_full) {
    SDL_GetWindowPosition(sdl, &window->framed_x, &window->framed_y);
    SDL_GetWindowSize(sdl, &window->framed_w, &window->framed_h);
    int display = SDL_GetWindowDisplayIndex(sdl);
    SDL_Rect r{0, 0, 0, 0};
    SDL_GetDisplayBounds(display < 0 ? 0 : display, &r);
    // Covering the display by hand as well does the job where no window manager takes the
    // full-screen request (a bare X server); where one does, it agrees with the request.
    SDL_SetWindowBordered(sdl, SDL_FALSE);
    SDL_SetWindowPosition(sdl, r.x, r.y);
    SDL_SetWindowSize(sdl, r.w, r.h);
    SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    window->full_screen = true;
  } else if (!full_screen && (window->full_screen || now_full)) {
    // Leaving a changed display mode puts the desktop's own mode back, as a window needs it.
    SDL_SetWindowFullscreen(sdl, 0);
    s.mode_changed = false;
    SDL_SetWindowAlwaysOnTop(sdl, SDL_FALSE);
    SDL_SetWindowBordered(sdl, SDL_TRUE);
    SDL_SetWindowResizable(sdl, SDL_TRUE);
    if (window->framed_w <= 0) {
      // Opened full screen: no earlier window to go back to, so a framed one of 0.6 of the
      // screen in its middle, as a window opened without a size would be.
      SDL_DisplayMode mode{};
      int display = SDL_GetWindowDisplayIndex(sdl);
      SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode);
      window->framed_w = int(mode.w * 0.6), window->framed_h = int(mode.h * 0.6);
      window->framed_x = window->framed_y = SDL_WINDOWPOS_CENTERED;
    }
    SDL_SetWindowSize(sdl, window->framed_w, window->framed_h);
    SDL_SetWindowPosition(sdl, window->framed_x, window->framed_y);
    window->full_screen = false;
  } else {
    return;
  }
  // The size event may come late, or not at all where the size happens to stay: send the size
  // the window has now; a later event sends the final one.
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(sdl, &w, &h);
  s.flush_after_size = true;
  emulated_post(HOST_WM_SIZE, 0, emulated_size_lparam(w, h));
}

// ---- messages -----------------------------------------------------------------------------------

int host_peek_message() {
  if (!emulated_pending() && host().ready) gather_events();
  return emulated_pending();
}

int host_get_message(HostMessage* message) { return emulated_get(message); }

void host_keyboard_state(unsigned char keys[256]) {
  // Events are gathered once per poll, so a quick tap can go down and up within one batch.
  emulated_keyboard_state(keys);
}
