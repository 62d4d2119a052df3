// The player's overlays: the frame-number box and the captions, hooked into the start-up and the
// playback loop at four points.
#pragma once

#include "player/player.h"

struct AnimFile;

void overlay_register_font();                        // right after the window opened
void overlay_load_captions(const PlayerOptions* o);  // right after the animation opened
void overlay_begin();                                // before the first pass
void overlay_draw(const PlayerOptions* o, const AnimFile* anim, char* text);  // every pass
bool overlay_showing(const PlayerOptions* o);        // true when overlay_draw draws anything
void overlay_restart();                              // when the picture was blanked on a restart
void overlay_free();                                 // after the loop
