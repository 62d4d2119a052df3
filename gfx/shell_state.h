// Shell state: the one window's globals (drawing size, mode, handles, key arrays, typed characters,
// mouse) and gfx_shutdown, the single orderly end of the process. Every shell file reads these.
#pragma once

#include "host/host.h"

constexpr int KEY_ARRAY_SIZE = 384;   // the host fills 0..255; 256..383 stay zero
constexpr int KEY_QUEUE_SIZE = 500;   // at most 499 typed characters and the terminator

// Mouse masks in mouse_buttons and mouse_prev.
constexpr unsigned MOUSE_LEFT = 0x01;
constexpr unsigned MOUSE_RIGHT = 0x02;
constexpr unsigned MOUSE_WHEEL_AWAY = 0x04;
constexpr unsigned MOUSE_WHEEL_TOWARDS = 0x08;
constexpr unsigned MOUSE_MIDDLE = 0x10;

extern unsigned char windowed;                  // 1 framed window, 0 full screen
extern int screen_w, screen_h;                  // drawing area in pixels (height never below 1)
extern HostInstance gfx_instance;               // the program's instance, stored by the entry
extern HostWindow gfx_hwnd;                     // the window
extern HostDC gfx_hdc;                          // its device context, kept for the whole run
extern HostGLRC gfx_hglrc;                      // the OpenGL context
extern unsigned char keydown[KEY_ARRAY_SIZE];   // key states of the latest poll, bit 7 = down
extern unsigned char keyprev[KEY_ARRAY_SIZE];   // keydown as it was before the latest poll
extern char key_queue[KEY_QUEUE_SIZE];          // typed characters not yet taken (terminated)
extern int mouse_x, mouse_y;                    // last pointer position in client pixels
extern unsigned mouse_buttons;                  // button and wheel bits (MOUSE_*)
extern unsigned mouse_prev;                     // mouse_buttons at the start of the latest poll
extern unsigned mouse_latch;                    // while non-zero, button changes are not recorded
extern unsigned char alt_tab_pending;           // Alt+Tab seen: minimise at every poll
extern char* dropped_file;                      // last file dropped on the window (heap), null
                                                // once the program took it (and freed it)

// Restores the display mode in full screen, releases the contexts, posts a quit message and ends
// the process with status 0. Reached from the window procedure on close and from gfx_fatal.
[[noreturn]] void gfx_shutdown();
