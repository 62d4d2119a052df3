// Example: captions.
//
// A caption file holds one caption a line, "first,last,text": the text shows from frame `first`
// to frame `last`, both included. Given no file, the example writes example_captions.txt in the
// current folder and uses it; it then counts frames (30 a second, starting again after 120) over a
// slowly moving background and draws the caption of each frame the way the player does: white,
// outlined in black, in the lower quarter of the window, wrapped to its width.
//   R    starts again from frame 1
//   Q or Escape ends the program.
//
//   example-captions [FILE]            in a window
//   example-captions-headless [FILE]   off-screen; drive it with VANTOREL_SCRIPT, for example
//                                      "16 snapshot first.png", "71 snapshot gap.png", "72 quit"

#include <cstdio>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x000000;
const int WIDTH = 640, HEIGHT = 360;
const int LOOP_FRAMES = 120;

const char EXAMPLE_CAPTIONS[] =
    "1,30,The first caption shows on frames 1 to 30.\n"
    "31,60,A second one follows from frame 31 to 60, long enough to wrap onto a second line.\n"
    "80,110,After a gap: frames 80 to 110.\n";

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "example_captions.txt";

  // Initialise: the window, the "caption" font that captions are drawn in, and the caption list.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: captions")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);
  if (argc <= 1) {
    FILE* f = fopen(path, "wb");
    if (!f || fputs(EXAMPLE_CAPTIONS, f) < 0 || fclose(f) != 0)
      gfx_fatal("Cannot write example_captions.txt in the current folder.");
  }
  DynArray captions = load_captions(path);  // a file that cannot be read gives no captions

  int frame = 0;
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update.
    frame = gfx_key_pressed(GFX_KEY_R) || frame == LOOP_FRAMES ? 1 : frame + 1;

    // Draw: vertical bands that drift to the right, the frame number, the caption.
    for (int x = -80 + (frame % 80); x < WIDTH; x += 80) fillbox(x, 0, 40, HEIGHT, 0x284060);
    char counter[32];
    snprintf(counter, sizeof counter, "frame %d", frame);
    font_use("caption");
    set_blend_mode(3);
    font_print(10, 10, 0, counter, 0xFFFF80);
    draw_caption(captions, float(frame));

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Q, Escape or a quit message end the loop; closing the window ends
    // the program.
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(30);
  }

  // Close.
  free_captions(captions);
  gfx_shutdown();
}
