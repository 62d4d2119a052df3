// The player: command line, start-up, playback loop and overlays.
#pragma once

struct AnimFile;

constexpr int PLAYER_TEXT_SIZE = 300;  // the window title, later reused for the overlay text

// The player's settings from the command line. The drawing size and the mode live in the shell
// globals screen_w, screen_h and windowed, where gfx_open reads them.
struct PlayerOptions {
  char* file_name;            // last argument not beginning with "-"; owned, null when none
  float frame_ms;             // milliseconds per frame (40: 25 frames per second)
  bool play_once;             // "-once": exit at the end of the file
  bool paused;                // "-paused"; toggled by P
  bool show_frame_numbers;    // "-showframenums"; toggled by F
  char* caption_path;         // "-captionfile:"; owned, null when none
  float first_frame_delay;    // "-delay:", seconds added to the first frame's time
};

// Runs the whole player on a Windows-style command line (program path first). Returns when the
// loop ends; other ends (help, missing file, -once, close, fatal) leave through exit.
void player_main(const char* command_line);

// Second half of the start-up and the playback loop: opens the window titled `text` (a buffer of
// PLAYER_TEXT_SIZE bytes that the overlays reuse), the animation, and plays until the user quits.
void player_run(PlayerOptions* options, char* text);

// The number of the frame on screen (anim's frame) while the playback loop runs, 0 otherwise.
// Lets a host that embeds the player report where it is.
int player_frame_on_screen();

// Set by a host whose file may still be arriving (the browser's element): returns true while the
// bytes of the next frame may not all be there yet, and the loop then holds the picture (keys,
// overlays and all) instead of decoding into the end of what has come. Null: files are complete.
extern bool (*player_data_pending)(const AnimFile* anim);

// Set by a host whose screen may show fewer frames than the loop decodes (the browser, flat out):
// returns true when a frame drawn now would not reach the screen before the next one is drawn.
// The loop then keeps the frame's pixels and draws them with the next frame that will be shown,
// unless an overlay or a key needs the picture first. Null: every frame is drawn as decoded.
extern bool (*player_hold_drawing)();
