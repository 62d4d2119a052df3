// The Windows emulation the hosts without Win32 share (SDL, headless, web): the window class and
// procedure, the message queue, the device-context and pixel-format records, and the virtual-key
// array with the key and character messages it posts. A host keeps only its native half, turning
// its events into emulated_* calls; emulated.cpp implements the host.h calls that are the same on
// all of them (class, device context, pixel format, translate, dispatch, default procedure, quit).
#pragma once

#include <cstdint>

#include "host/host.h"

// The device context: the window it draws on and the pixel format chosen for it (0: none yet).
struct HostDCRec {
  HostWindowRec* window;
  int pixel_format;
};

// What the hosts do differently, told once before the first window (or after emulated_reset).
struct EmulatedHost {
  // True when typed text comes only from key presses (no text events): the key messages of
  // letters, digits and the space bar make their characters as well, as TranslateMessage does.
  // Otherwise only Escape, Enter, Backspace and Tab do, and the text arrives by emulated_text.
  bool characters_from_keys;
  // Called after the window procedure has handled a size message, or null.
  void (*after_size)();
};
void emulated_configure(const EmulatedHost& host);

// The window the host has just made (the one window there is): messages posted from now on go to
// it, and through the registered class's procedure. Null when no class was registered.
HostWndProc emulated_class_procedure();
const char* emulated_class_name();
void emulated_window_created(HostWindow window);
HostWindow emulated_window();
// Forgets the class, the window, its device context, the queued messages and the keys.
void emulated_reset();

// ---- messages --------------------------------------------------------------------------------

// Queues a message for the window.
void emulated_post(unsigned message, uintptr_t wparam, intptr_t lparam);
// A size message's lparam: width in the low word, height in the high word.
intptr_t emulated_size_lparam(int width, int height);
// True while messages wait.
bool emulated_pending();
// Takes the oldest message (a quit message when none waits); returns 0 for a quit message.
int emulated_get(HostMessage* message);

// ---- keyboard and mouse ----------------------------------------------------------------------

// A key went down or up. vk is the virtual-key code the window sees; sided, where non-zero, the
// left or right Shift, Ctrl or Alt code whose generic key vk is (kept down while either side is).
// Each press that is not a repeat toggles the key's low bit. Posts WM_KEYDOWN / WM_KEYUP, or the
// system ones while Alt is held and for F10, with the scan code in the lparam.
void emulated_key(int vk, bool down, bool repeat, int sided = 0, unsigned scancode = 0);
// Typed text in UTF-8: a character message for each character, Latin-1 up to 255, '?' beyond.
void emulated_text(const char* utf8);
// The code point that starts utf8 in *code, and where the next one starts.
const char* emulated_utf8_next(const char* utf8, unsigned* code);
// A character message for a code point: Latin-1 up to 255, '?' beyond.
void emulated_char(unsigned code);
// The mouse buttons now held (HOST_MK_LBUTTON, _RBUTTON, _MBUTTON bits) into the key array.
void emulated_mouse_buttons(unsigned buttons);
// A mouse message's wparam: the buttons, and MK_SHIFT / MK_CONTROL when those are held.
uintptr_t emulated_mouse_wparam(unsigned buttons, bool shift, bool control);
// Steps of the wheel, away from the user positive, with the mouse wparam of the moment.
void emulated_wheel(int steps, uintptr_t mouse_wparam);
// The key array for host_keyboard_state. A key that went down and up again since the last call
// still shows as down, or a quick tap between two polls would never be seen.
void emulated_keyboard_state(unsigned char keys[256]);
// The key array itself, for hosts that set a key's state without an event (lock keys at start).
unsigned char* emulated_keys();
