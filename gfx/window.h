// The window: one window (or the whole screen) with an OpenGL context made current on it, and the
// user's input as the shell globals. gfx_open makes everything in one call; gfx_poll, called once
// per frame, handles the pending messages and takes a fresh keyboard snapshot.
#pragma once

#include <cstdint>

#include "host/host.h"

// Opens the window for width x height (width 0: the screen, 0.6 of it when windowed; -1: the whole
// virtual desktop). Returns 1, or 0 when the size is zero either way (nothing created then). Other
// failures end the program through gfx_fatal.
int gfx_open(int width, int height, const char* title);

// Handles the waiting messages, moves keydown into keyprev and reads the keyboard. Returns 1 when a
// quit message was taken. Closing the window ends the process inside this call.
int gfx_poll();

// The oldest typed character not yet taken (above 127 negative), or 0 when none waits.
int gfx_inkey();

// Switches between the framed window (0) and full screen on the display's current mode (1): no
// display-mode change; the new size arrives as a size message, as any resize. Sets `windowed` and
// hides the cursor in full screen as gfx_open does.
void gfx_set_full_screen(int full_screen);

// The window procedure every message of the window goes through.
intptr_t gfx_wndproc(HostWindow window, unsigned message, uintptr_t wparam, intptr_t lparam);

// Size rules of gfx_open, apart so they can be checked on their own.
struct WindowPlacement {
  int client_w, client_h;  // drawing area
  int x, y;                // outer top-left corner
  int outer_w, outer_h;
};
// Drawing area, outer size and position for a width/height request in the current mode, from
// the host's metrics and pointer position.
WindowPlacement gfx_place_window(int width, int height, bool is_windowed);
// Left (or top) edge of a window of outer size `outer` centred on `pointer`, kept inside the
// desktop span starting at `origin` of length `span`; on the desktop's edge when it is larger.
int gfx_centre_on_pointer(int pointer, int outer, int origin, int span);
