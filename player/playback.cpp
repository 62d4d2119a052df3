// Start-up second half and playback loop: placeholder until the window and loop land.
#include "player/player.h"

void player_run(PlayerOptions*, char*) {}
