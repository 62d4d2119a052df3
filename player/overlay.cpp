// The player's overlays: the frame-number box (frame, ANIM version and size in a black box with a
// grey outline, top centre) and the captions of a caption file, whose band is blanked only when
// the caption index changes. Also registers the built-in "caption" font they draw with.
#include "player/overlay.h"

#include <cstdio>

#include "anim/anim_file.h"
#include "captions/captions.h"
#include "gfx/draw2d.h"
#include "gfx/shell_state.h"
#include "text/builtin_font.h"
#include "text/font.h"
#include "text/text_draw.h"

namespace {

DynArray captions;           // the caption list, when a caption file was named
bool captions_loaded = false;
int last_caption = -1;       // index draw_caption returned last

}  // namespace

void overlay_register_font() {
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);
}

void overlay_load_captions(const PlayerOptions* o) {
  if (!o->caption_path) return;
  captions = load_captions(o->caption_path);
  captions_loaded = true;
}

void overlay_begin() { last_caption = -1; }

void overlay_draw(const PlayerOptions* o, const AnimFile* anim, char* text) {
  const int w_screen = screen_w, h_screen = screen_h;
  if (o->show_frame_numbers) {
    snprintf(text, PLAYER_TEXT_SIZE, "Frame %d\nANIM version %d (%dx%d)", anim->frame,
             anim->version, anim->width, anim->height);
    const int w = w_screen / 2 + 20, h = 2 * cur_line_h + 20;
    const int x = (w_screen - w) / 2;
    fillbox(x, 0, w, h, 0x000000);
    drawbox(x, 0, w, h, 0x808080);
    font_print(x + 10, 10, 0, text, 0xFFFFFF);
  }
  if (captions_loaded) {
    const int i = int(draw_caption(captions, float(anim->frame)));
    if (i != last_caption) {
      fillbox(w_screen / 8, 3 * h_screen / 4, 3 * w_screen / 4, 3 * cur_line_h + 3, 0x000000);
      last_caption = int(draw_caption(captions, float(anim->frame)));
    }
  }
}

bool overlay_showing(const PlayerOptions* o) { return o->show_frame_numbers || captions_loaded; }

void overlay_restart() { last_caption = 0; }

void overlay_free() {
  if (!captions_loaded) return;
  free_captions(captions);
  captions_loaded = false;
}
