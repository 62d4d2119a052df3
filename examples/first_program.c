/* Example: the first program of docs/library.md, word for word (a test keeps the two the same).
 *
 * A window with a line of text and a yellow disc; Q (or closing the window) ends it.
 *
 *   example-first_program            in a window
 *   example-first_program-headless   off-screen; drive it with VANTOREL_SCRIPT, for example a
 *                                    script "3 snapshot first.png" and "4 quit"
 */

#include <vantorel/vantorel.h>

int main(int argc, char** argv) {
  (void)argc, (void)argv;
  windowed = 1;                                   /* a framed window, not full screen */
  if (!gfx_open(640, 360, "Hello")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);
  gfx_present(0x202840);                          /* sets the background colour */
  for (;;) {
    font_print(20, 20, 0, "Hello from Vantorel", 0xFFFFFF);
    fillcircle(320, 200, 60, 0xFFC020);
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q)) break;
    gfx_present(0x202840);                        /* shows the frame, clears the next */
    gfx_frame_end(60);                            /* waits for the next frame: 60 a second */
  }
  gfx_shutdown();                                 /* releases everything, exits with 0 */
}
