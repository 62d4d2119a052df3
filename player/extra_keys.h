// Keys beyond the classic set, as users of other players expect them, and files dropped on the
// window: Space pauses like P, Right arrow or "." steps one frame while paused, S saves a
// screenshot into the folder the player was started from, F11 switches to and from full screen.
#pragma once

#include "anim/anim_file.h"
#include "player/player.h"

// P or Space went down in this pass.
bool extra_keys_pause_pressed();
// Right arrow or "." went down while paused: the pass shows the next frame.
bool extra_keys_step(const PlayerOptions* options);
// After the frame is finished: S saves the picture on screen, F11 switches the window.
void extra_keys_after_frame();
// Takes a file dropped on the window: opens it in place of anim and retitles the window (the
// title goes into text, PLAYER_TEXT_SIZE bytes). Returns false when nothing was dropped or the
// file cannot be opened (then a line on standard error says why and the current one plays on).
bool extra_keys_take_drop(PlayerOptions* options, AnimFile* anim, char* text);
