// Example: screenshots.
//
// A moving scene (four coloured quarters and a turning hand) that can be saved while it runs:
//   S   the whole window as shot1.bmp, shot2.bmp, ... (24-bit BMP) in the current folder
//   R   only the 120x120 square around the centre, as region1.bmp, region2.bmp, ...
//   P   the whole window as shot<n>.bmp, then converted to shot<n>.png by the "bmp2png" program
//       that comes with the player (when it is not on the PATH, the BMP stays)
//   Q or Escape ends the program.
// A picture is saved right after its frame is drawn and before it is shown, so it is exactly
// the frame that appears on the screen next.
//
//   example-screenshot            in a window
//   example-screenshot-headless   off-screen; drive it with VANTOREL_SCRIPT, for example
//                                 "10 press s", "20 press r", "30 quit"

#include <cmath>
#include <cstdio>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x000000;
const int WIDTH = 480, HEIGHT = 270;
const int REGION = 120;
const double PI = 3.14159265358979323846;  // M_PI is not standard C++

}  // namespace

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: screenshots")) return 1;
  int shots = 0, regions = 0;
  int frame = 0;
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);

  for (;;) {
    // Update: the hand turns 6 degrees a frame.
    frame++;
    const double angle = frame * 6 * PI / 180;

    // Draw.
    const int cx = WIDTH / 2, cy = HEIGHT / 2;
    fillbox(0, 0, cx, cy, 0xC03030);
    fillbox(cx, 0, WIDTH - cx, cy, 0x30A030);
    fillbox(0, cy, cx, HEIGHT - cy, 0x3050C0);
    fillbox(cx, cy, WIDTH - cx, HEIGHT - cy, 0xC0A020);
    fillcircle(cx, cy, 50, 0x101010);
    drawline(cx, cy, cx + 45 * sin(angle), cy - 45 * cos(angle), 0xFFFFFF);

    // Save before showing: the drawing buffer holds this frame's finished picture.
    char name[64];
    if (gfx_key_pressed(GFX_KEY_S) || gfx_key_pressed(GFX_KEY_P)) {
      snprintf(name, sizeof name, "shot%d.bmp", ++shots);
      screenshot_window(name, gfx_key_pressed(GFX_KEY_P));  // 1: convert to PNG with bmp2png
    }
    if (gfx_key_pressed(GFX_KEY_R)) {
      snprintf(name, sizeof name, "region%d.bmp", ++regions);
      save_bmp(cx - REGION / 2, cy - REGION / 2, REGION, REGION, name, 0);  // y from the top
    }

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Q, Escape or a quit message end the loop; closing the window ends
    // the program.
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  // Close.
  gfx_shutdown();
}
