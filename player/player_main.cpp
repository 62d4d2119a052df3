// Placeholder player_main until the command line lands.
#include "player/player.h"

void player_main(const char*) {}
