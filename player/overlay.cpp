// Overlays: placeholders until fonts, text drawing and captions land.
#include "player/overlay.h"

void overlay_register_font() {}
void overlay_load_captions(const PlayerOptions*) {}
void overlay_begin() {}
void overlay_draw(const PlayerOptions*, const AnimFile*, char*) {}
void overlay_restart() {}
void overlay_free() {}
