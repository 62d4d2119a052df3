// SDL keys as Windows virtual-key codes, so the shell's key arrays read the same on every host.
#pragma once

#include <SDL.h>

// Virtual-key code of a key (0 when it has none). Letters and digits follow the keyboard layout
// (the key labelled Q gives 0x51); everything else goes by physical position. For Shift, Ctrl and
// Alt the generic code (0x10, 0x11, 0x12) is returned and *sided gets the left or right one
// (0xA0 to 0xA5); for every other key *sided is 0.
int sdl_virtual_key(SDL_Scancode scancode, SDL_Keycode keycode, int* sided);
