/* Example: a window with text (written in C).
 *
 * Opens a 640x360 window, registers the built-in "caption" font and writes a few lines with it:
 * plain white text, a larger yellow line, a bold and an italic variant, and a line that wraps at
 * a right-hand limit. The last line counts the frames drawn.
 *
 *   example-window_text            in a window; Q or Escape (or closing the window) ends it
 *   example-window_text-headless   off-screen; drive it with VANTOREL_SCRIPT, for example a
 *                                  script "10 snapshot text.png" and "11 quit"
 */
#include <stdio.h>

#include <vantorel/vantorel.h>

enum { WIDTH = 640, HEIGHT = 360 };
static const unsigned BACKGROUND = 0x202840;

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  /* Initialise: a framed window (not full screen) and the built-in font. */
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: a window with text")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  int frame = 0;
  /* The first frame starts on the background colour: gfx_present sets it and clears. */
  gfx_present(BACKGROUND);
  for (;;) {
    /* Update. */
    frame++;
    char counter[64];
    snprintf(counter, sizeof counter, "Frame %d", frame);

    /* Draw: pixel coordinates, origin at the top left, colours as 0xRRGGBB. */
    font_use("caption");
    font_print(20, 20, 0, "Hello from Vantorel", 0xFFFFFF);
    font_use("caption:size=40px");
    font_print(20, 60, 0, "Larger and yellow", 0xFFE040);
    font_use("caption:bold");
    font_print(20, 130, 0, "A bold variant", 0x80FF80);
    font_use("caption:italic");
    font_print(20, 170, 0, "An italic variant", 0x80C0FF);
    font_use("caption");
    font_print(20, 220, 320, "This line wraps at x = 320, so it takes more than one row.",
               0xFFFFFF);
    font_print(20, 320, 0, counter, 0xA0A0A0);

    /* Input: the messages and keys of this frame (the off-screen host takes the
     * script's snapshots here). Q, Escape or a quit message end the loop; closing
     * the window ends the program. */
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    /* Show the frame and clear the drawing buffer for the next one. */
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  /* Close: releases the window and its context and ends the program. */
  gfx_shutdown();
}
