// The window: one window (or the whole screen) with an OpenGL context made current on it, and the
// user's input as the shell globals. gfx_open makes everything in one call; gfx_poll, called once
// per frame, handles the pending messages and takes a fresh keyboard snapshot.
#pragma once

#include <stdint.h>

#include "../host/host_types.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Opens the window for width x height (width 0: the screen, 0.6 of it when windowed; -1: the whole
// virtual desktop). Returns 1, or 0 when the size is zero either way (nothing created then). Other
// failures end the program through gfx_fatal. Nothing is needed before it: a program's entry is a
// plain main(argc, argv) on every host, and when gfx_instance is still null gfx_open stores the
// host's instance handle there (on Windows the program's module, GetModuleHandle(NULL)).
VT_API int gfx_open(int width, int height, const char* title);

// Handles the waiting messages, moves keydown into keyprev and reads the keyboard. Returns 1 when a
// quit message was taken, or the window was closed while gfx_close_returns is set. Otherwise
// closing the window ends the process inside this call (gfx_shutdown).
VT_API int gfx_poll(void);

// 0 (the default): closing the window ends the process at once, with status 0. Set it to 1 before
// the loop to handle the close yourself: gfx_poll then returns 1, sets gfx_close_requested, and
// the program ends when it chooses (saving, asking, or clearing the flag and going on).
extern VT_API int gfx_close_returns;
// 1 once the window's close was taken while gfx_close_returns was set; the program may clear it.
extern VT_API int gfx_close_requested;

// The oldest typed character not yet taken (above 127 negative), or 0 when none waits.
VT_API int gfx_inkey(void);

// Switches between the framed window (0) and full screen on the display's current mode (1): no
// display-mode change; the new size arrives as a size message, as any resize. Sets `windowed` and
// hides the cursor in full screen as gfx_open does.
VT_API void gfx_set_full_screen(int full_screen);

// The window procedure every message of the window goes through.
VT_API intptr_t gfx_wndproc(HostWindow window, unsigned message, uintptr_t wparam, intptr_t lparam);

// Size rules of gfx_open, apart so they can be checked on their own.
typedef struct WindowPlacement WindowPlacement;
struct WindowPlacement {
  int client_w, client_h;  // drawing area
  int x, y;                // outer top-left corner
  int outer_w, outer_h;    // outer size, frame included
};
// Drawing area, outer size and position for a width/height request in the current mode, from
// the host's metrics and pointer position.
VT_API WindowPlacement gfx_place_window(int width, int height, bool is_windowed);
// Left (or top) edge of a window of outer size `outer` centred on `pointer`, kept inside the
// desktop span starting at `origin` of length `span`; on the desktop's edge when it is larger.
VT_API int gfx_centre_on_pointer(int pointer, int outer, int origin, int span);

VT_END_DECLS
