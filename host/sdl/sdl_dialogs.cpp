// SDL message box: an error box with one OK button and no owner. Where no message system is
// available (no display, no dialog support) the box becomes one line on standard error.
#include <SDL.h>

#include <cstdio>

#include "host/host.h"

int host_message_box(const char* caption, const char* text, unsigned style) {
  const char* c = caption ? caption : "";
  const char* t = text ? text : "";
  uint32_t flags = (style & HOST_MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  if (SDL_ShowSimpleMessageBox(flags, c, t, nullptr) != 0) {
    fprintf(stderr, "%s: %s\n", c, t);
    fflush(stderr);
  }
  return 1;  // IDOK
}
