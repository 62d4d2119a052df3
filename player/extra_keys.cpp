// The keys users of other players reach for (Space, Right arrow or ".", S, F11) and files dropped
// on the window. The screenshot reads the front buffer, which the player draws into, and goes to
// the folder the user started the player from, not the program's own folder.
#include "player/extra_keys.h"

#include <GL/gl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/screenshot.h"
#include "gfx/keys.h"
#include "gfx/shell_state.h"
#include "gfx/window.h"
#include "host/host.h"
#include "player/command_line.h"
#include "support/util.h"

namespace {

bool readable(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

void screenshot() {
  char bmp[4096];
  GLint read_buffer = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  glReadBuffer(GL_FRONT);
  screenshot_auto_in(host_start_directory(), bmp, sizeof bmp);
  glReadBuffer(GLenum(read_buffer));
  // The converter replaces NAME.bmp by NAME.png when it is installed and succeeds.
  std::string png = bmp;
  if (png.size() > 4) png.replace(png.size() - 4, 4, ".png");
  if (!readable(bmp) && readable(png))
    fprintf(stderr, "vantorel: screenshot %s\n", png.c_str());
  else if (readable(bmp))
    fprintf(stderr, "vantorel: screenshot %s\n", bmp);
  else
    fprintf(stderr, "vantorel: screenshot %s could not be written\n", bmp);
}

}  // namespace

bool extra_keys_pause_pressed() {
  return gfx_key_pressed(GFX_KEY_P) || gfx_key_pressed(GFX_KEY_SPACE);
}

bool extra_keys_step(const PlayerOptions* options) {
  return options->paused && (gfx_key_pressed(GFX_KEY_RIGHT) || gfx_key_pressed(GFX_KEY_PERIOD));
}

void extra_keys_after_frame() {
  if (gfx_key_pressed(GFX_KEY_S)) screenshot();
  if (gfx_key_pressed(GFX_KEY_F11)) gfx_set_full_screen(windowed ? 1 : 0);
}

bool extra_keys_take_drop(PlayerOptions* options, AnimFile* anim, char* text) {
  if (!dropped_file) return false;
  char* name = dropped_file;
  dropped_file = nullptr;
  AnimFile next = anim_open(name);
  if (!next.file) {
    fprintf(stderr, "vantorel: cannot play dropped file '%s': %s\n", name,
            strerror(next.open_errno ? next.open_errno : EIO));
    free(name);
    return false;
  }
  anim_close(*anim);
  *anim = next;
  string_set(&options->file_name, name);
  free(name);
  player_make_title(text, PLAYER_TEXT_SIZE, options->file_name);
  host_set_window_text(gfx_hwnd, text);
  return true;
}
