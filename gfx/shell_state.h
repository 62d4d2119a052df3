// Shell state: the one window's globals (drawing size, mode, handles, key arrays, typed characters,
// mouse) and gfx_shutdown, the single orderly end of the process. Every shell file reads these.
#pragma once

#include "../host/host_types.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

enum { KEY_ARRAY_SIZE = 384 };  // the host fills 0..255; 256..383 stay zero
enum { KEY_QUEUE_SIZE = 500 };  // at most 499 typed characters and the terminator

// Mouse masks in mouse_buttons and mouse_prev.
enum {
  MOUSE_LEFT = 0x01,
  MOUSE_RIGHT = 0x02,
  MOUSE_WHEEL_AWAY = 0x04,
  MOUSE_WHEEL_TOWARDS = 0x08,
  MOUSE_MIDDLE = 0x10,
};

// The shell globals.
extern VT_API unsigned char windowed;                 // 1 framed window, 0 full screen
extern VT_API int screen_w;                           // drawing area width in pixels
extern VT_API int screen_h;                           // and height (never below 1)
extern VT_API HostInstance gfx_instance;              // the program's instance (set by gfx_open)
extern VT_API HostWindow gfx_hwnd;                    // the window
extern VT_API HostDC gfx_hdc;                         // its device context, kept for the whole run
extern VT_API HostGLRC gfx_hglrc;                     // the OpenGL context
extern VT_API unsigned char keydown[KEY_ARRAY_SIZE];  // key states of the latest poll, bit 7 down
extern VT_API unsigned char keyprev[KEY_ARRAY_SIZE];  // keydown before the latest poll
extern VT_API char key_queue[KEY_QUEUE_SIZE];         // typed characters not yet taken
extern VT_API int mouse_x;                            // last pointer position in client pixels
extern VT_API int mouse_y;                            // and its y, counted from the top
extern VT_API unsigned mouse_buttons;                 // button and wheel bits (MOUSE_*)
extern VT_API unsigned mouse_prev;                    // mouse_buttons when the latest poll began
extern VT_API unsigned mouse_latch;                   // while non-zero, button changes are not kept
extern VT_API unsigned char alt_tab_pending;          // Alt+Tab seen: minimise at every poll
// Last file dropped on the window (heap), null once the program took it (and freed it).
extern VT_API char* dropped_file;

// Restores the display mode in full screen, releases the contexts, posts a quit message and ends
// the process with status 0. Reached from the window procedure on close.
VT_NORETURN VT_API void gfx_shutdown(void);
// gfx_shutdown ending the process with the given exit status; gfx_fatal ends with 1.
VT_NORETURN VT_API void gfx_exit(int status);

VT_END_DECLS
