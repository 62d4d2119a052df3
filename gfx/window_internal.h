// The window's size rules, apart from gfx_open so the tests can check them without opening a
// window. Not part of the library's interface: the library's own code and its tests include it.
#pragma once

#include "gfx/window.h"

typedef struct WindowPlacement WindowPlacement;
struct WindowPlacement {
  int client_w, client_h;  // drawing area
  int x, y;                // outer top-left corner
  int outer_w, outer_h;    // outer size, frame included
};
// Drawing area, outer size and position for a width/height request in the current mode, from
// the host's metrics and pointer position.
WindowPlacement gfx_place_window(int width, int height, bool is_windowed);
// Left (or top) edge of a window of outer size `outer` centred on `pointer`, kept inside the
// desktop span starting at `origin` of length `span`; on the desktop's edge when it is larger.
int gfx_centre_on_pointer(int pointer, int outer, int origin, int span);
