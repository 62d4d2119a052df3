// The Windows emulation shared by the hosts without Win32: one window, its class procedure and
// device context, a queue of messages, and the virtual-key array the key messages keep. Windows'
// own rules are kept where the shell can tell: toggle bits, the generic Shift/Ctrl/Alt following
// either side, system keys while Alt is held, characters as the message after their key.
#include "host/emulated/emulated.h"

#include <cstring>
#include <deque>
#include <string>

namespace {

constexpr int kWheelDelta = 120;
constexpr int kAlt = 0x12, kF10 = 0x79;
constexpr uintptr_t kMkShift = 0x04, kMkControl = 0x08;

struct Emulated {
  EmulatedHost host{false, nullptr};
  bool class_registered = false;
  HostWndProc class_procedure = nullptr;
  std::string class_name;
  HostWindow window = nullptr;
  HostDCRec dc{nullptr, 0};
  std::deque<HostMessage> queue;
  unsigned char keys[256] = {};
  bool tapped[256] = {};  // went down since the last snapshot
};

Emulated& state() {
  static Emulated* s = new Emulated;  // outlives every exit path
  return *s;
}

void set_key(int vk, bool down, bool repeat) {
  Emulated& s = state();
  unsigned char& k = s.keys[vk];
  if (down && !repeat && !(k & 0x80)) k ^= 0x01;  // toggled by each press
  if (down) s.tapped[vk] = true;
  k = down ? (k | 0x80) : (k & 0x7F);
}

}  // namespace

void emulated_configure(const EmulatedHost& host) { state().host = host; }

HostWndProc emulated_class_procedure() {
  return state().class_registered ? state().class_procedure : nullptr;
}
const char* emulated_class_name() { return state().class_name.c_str(); }

void emulated_window_created(HostWindow window) {
  Emulated& s = state();
  s.window = window;
  s.dc = HostDCRec{window, 0};
}

HostWindow emulated_window() { return state().window; }

void emulated_reset() {
  Emulated& s = state();
  const EmulatedHost host = s.host;
  s = Emulated{};
  s.host = host;
}

// ---- messages --------------------------------------------------------------------------------

void emulated_post(unsigned message, uintptr_t wparam, intptr_t lparam) {
  Emulated& s = state();
  s.queue.push_back(HostMessage{s.window, message, wparam, lparam});
}

intptr_t emulated_size_lparam(int width, int height) {
  return intptr_t((uint32_t(height) & 0xFFFF) << 16 | (uint32_t(width) & 0xFFFF));
}

bool emulated_pending() { return !state().queue.empty(); }

int emulated_get(HostMessage* message) {
  Emulated& s = state();
  HostMessage m{nullptr, HOST_WM_QUIT, 0, 0};
  if (!s.queue.empty()) {
    m = s.queue.front();
    s.queue.pop_front();
  }
  if (message) *message = m;
  return m.message != HOST_WM_QUIT;
}

// ---- keyboard and mouse ----------------------------------------------------------------------

void emulated_key(int vk, bool down, bool repeat, int sided, unsigned scancode) {
  Emulated& s = state();
  set_key(vk, down, repeat);
  if (sided) {
    set_key(sided, down, repeat);
    // The generic Shift, Ctrl or Alt is down while either side is.
    if (!down && (s.keys[sided ^ 1] & 0x80)) s.keys[vk] |= 0x80;
  }
  // As on Windows: keys with Alt held, and F10, are system keys.
  const bool system = (s.keys[kAlt] & 0x80) || vk == kF10 || (vk == kAlt && !down);
  const unsigned message = down ? (system ? HOST_WM_SYSKEYDOWN : HOST_WM_KEYDOWN)
                                : (system ? HOST_WM_SYSKEYUP : HOST_WM_KEYUP);
  intptr_t lparam = 1 | (intptr_t(scancode & 0xFF) << 16);
  if (repeat) lparam |= intptr_t(1) << 30;
  if (!down) lparam |= intptr_t(3) << 30;
  emulated_post(message, uintptr_t(vk), lparam);
}

const char* emulated_utf8_next(const char* utf8, unsigned* code) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  unsigned c = *p++;
  const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (c >= 0x80) c &= 0x3F >> extra;
  for (int i = 0; i < extra && (*p & 0xC0) == 0x80; i++) c = (c << 6) | (*p++ & 0x3F);
  *code = c;
  return reinterpret_cast<const char*>(p);
}

// The window procedure takes single-byte characters.
void emulated_char(unsigned code) { emulated_post(HOST_WM_CHAR, code <= 0xFF ? code : '?', 1); }

void emulated_text(const char* utf8) {
  while (utf8 && *utf8) {
    unsigned code;
    utf8 = emulated_utf8_next(utf8, &code);
    emulated_char(code);
  }
}

void emulated_mouse_buttons(unsigned buttons) {
  unsigned char* k = state().keys;
  k[0x01] = (k[0x01] & 0x01) | ((buttons & HOST_MK_LBUTTON) ? 0x80 : 0);
  k[0x02] = (k[0x02] & 0x01) | ((buttons & HOST_MK_RBUTTON) ? 0x80 : 0);
  k[0x04] = (k[0x04] & 0x01) | ((buttons & HOST_MK_MBUTTON) ? 0x80 : 0);
}

uintptr_t emulated_mouse_wparam(unsigned buttons, bool shift, bool control) {
  uintptr_t w = buttons & (HOST_MK_LBUTTON | HOST_MK_RBUTTON | HOST_MK_MBUTTON);
  if (shift) w |= kMkShift;
  if (control) w |= kMkControl;
  return w;
}

void emulated_wheel(int steps, uintptr_t mouse_wparam) {
  const uint32_t delta = uint32_t(steps * kWheelDelta) & 0xFFFF;
  emulated_post(HOST_WM_MOUSEWHEEL, uintptr_t(delta << 16) | mouse_wparam, 0);
}

void emulated_keyboard_state(unsigned char keys[256]) {
  Emulated& s = state();
  std::memcpy(keys, s.keys, 256);
  for (int vk = 0; vk < 256; vk++) {
    if (s.tapped[vk]) keys[vk] |= 0x80;
    s.tapped[vk] = false;
  }
}

unsigned char* emulated_keys() { return state().keys; }

// ---- the host.h calls that are the same on every emulating host ------------------------------

int host_register_class(const HostWindowClass* wc) {
  Emulated& s = state();
  if (!wc || !wc->procedure || s.class_registered) return 0;
  s.class_registered = true;
  s.class_procedure = wc->procedure;
  s.class_name = wc->class_name ? wc->class_name : "";
  return 1;
}

HostDC host_get_dc(HostWindow window) {
  Emulated& s = state();
  return window && window == s.window ? &s.dc : nullptr;
}

int host_release_dc(HostWindow window, HostDC dc) { return window && dc == host_get_dc(window); }

int host_choose_pixel_format(HostDC dc, const HostPixelFormat* format) {
  // One format: RGBA with a depth buffer, drawn by OpenGL.
  if (!dc || !format || format->pixel_type != 0 || !(format->flags & HOST_PFD_SUPPORT_OPENGL))
    return 0;
  return 1;
}

int host_set_pixel_format(HostDC dc, int format_number, const HostPixelFormat*) {
  if (!dc || format_number != 1 || dc->pixel_format) return 0;
  dc->pixel_format = format_number;
  return 1;
}

void host_translate_message(const HostMessage* message) {
  Emulated& s = state();
  if (!message || message->message != HOST_WM_KEYDOWN) return;
  const int vk = int(message->wparam & 0xFF);
  int ch = 0;
  if (vk == 0x1B || vk == 0x0D || vk == 0x08 || vk == 0x09) {
    ch = vk;
  } else if (s.host.characters_from_keys) {
    if (vk >= 'A' && vk <= 'Z') {
      const bool upper = ((s.keys[0x10] & 0x80) != 0) != ((s.keys[0x14] & 0x01) != 0);
      ch = upper ? vk : vk - 'A' + 'a';
    } else if ((vk >= '0' && vk <= '9') || vk == 0x20) {
      ch = vk;
    }
  }
  // Like TranslateMessage, the character is the next message taken.
  if (ch) s.queue.push_front(HostMessage{message->window, HOST_WM_CHAR, uintptr_t(ch), 1});
}

intptr_t host_dispatch_message(const HostMessage* message) {
  Emulated& s = state();
  if (!message || !message->window || message->window != s.window || !s.class_procedure) return 0;
  const intptr_t result =
      s.class_procedure(message->window, message->message, message->wparam, message->lparam);
  if (message->message == HOST_WM_SIZE && s.host.after_size) s.host.after_size();
  return result;
}

intptr_t host_def_window_proc(HostWindow window, unsigned message, uintptr_t, intptr_t) {
  // Closing destroys the window, which tells its procedure.
  Emulated& s = state();
  if (message == HOST_WM_CLOSE && window && window == s.window && s.class_procedure)
    return s.class_procedure(window, HOST_WM_DESTROY, 0, 0);
  return 0;
}

void host_post_quit_message(int exit_code) {
  state().queue.push_back(HostMessage{nullptr, HOST_WM_QUIT, uintptr_t(exit_code), 0});
}
