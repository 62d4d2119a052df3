// Example: keyboard, typed characters and the mouse.
//
// The arrow keys move the white square while they are held (4 pixels a frame). Typed characters
// go into the line at the top (Backspace deletes, Enter clears it). The ring follows the mouse:
// filled orange while the left button is held, blue with the right one; the wheel makes it larger
// or smaller. Escape ends the program (Q is a letter to type here). Closing the window ends it too,
// but through the program: it prints the line typed so far on the way out, as a program would
// save its work. A button already held when the program starts counts only after every button
// has been up once.
//
//   example-input            in a window
//   example-input-headless   off-screen; drive it with VANTOREL_SCRIPT, for example:
//                              1 char hello
//                              2 down right
//                              12 up right
//                              12 mouse 400 250
//                              13 mouse 400 250 l
//                              14 wheel up
//                              16 snapshot input.png
//                              17 close

#include <cstdio>
#include <cstring>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x1F1F29;
const int WIDTH = 640, HEIGHT = 360;
const int CHAR_BACKSPACE = 8, CHAR_ENTER = 13;

}  // namespace

// Edits the line with the characters typed since the last call: Backspace, Enter clears.
static void take_typed(char* typed, size_t size) {
  for (int c = gfx_inkey(); c != 0; c = gfx_inkey()) {
    size_t n = strlen(typed);
    if (c == CHAR_BACKSPACE) {
      if (n > 0) typed[n - 1] = 0;
    } else if (c == CHAR_ENTER) {
      typed[0] = 0;
    } else if (c >= 32 && n + 1 < size) {
      typed[n] = char(c);
      typed[n + 1] = 0;
    }
  }
}

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise. The close of the window comes back here as a flag instead of ending the process.
  windowed = 1;
  gfx_close_returns = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: keyboard and mouse")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  double square_x = 300, square_y = 160;
  double ring_r = 30;
  char typed[64] = "";
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);

  for (;;) {
    // Update: held keys move the square; the typed characters since the last frame edit the line.
    if (gfx_key_down(GFX_KEY_LEFT)) square_x -= 4;
    if (gfx_key_down(GFX_KEY_RIGHT)) square_x += 4;
    if (gfx_key_down(GFX_KEY_UP)) square_y -= 4;
    if (gfx_key_down(GFX_KEY_DOWN)) square_y += 4;
    take_typed(typed, sizeof typed);
    // A wheel turn lasts one poll.
    if ((mouse_buttons & MOUSE_WHEEL_AWAY) && ring_r < 100) ring_r += 10;
    if ((mouse_buttons & MOUSE_WHEEL_TOWARDS) && ring_r > 10) ring_r -= 10;

    // Draw.
    fillbox(10, 10, WIDTH - 20, 36, 0x303848);
    font_print(20, 16, 0, typed[0] ? typed : "Type something...", typed[0] ? 0xFFFFFF : 0x808890);
    fillbox(square_x, square_y, 40, 40, 0xFFFFFF);
    if (mouse_buttons & MOUSE_LEFT) fillcircle(mouse_x, mouse_y, ring_r, 0xFF8020);
    if (mouse_buttons & MOUSE_RIGHT) fillcircle(mouse_x, mouse_y, ring_r, 0x2080FF);
    drawcircle(mouse_x, mouse_y, ring_r, 0xFFFF00);
    char where[64];
    snprintf(where, sizeof where, "mouse %d, %d", mouse_x, mouse_y);
    font_print(20, HEIGHT - 36, 0, where, 0xA0A0A0);

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Escape, a quit message or closing the window end the loop.
    if (gfx_poll() || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  // Close: the work is kept when the window was closed, with what was typed in the last frame.
  take_typed(typed, sizeof typed);
  if (gfx_close_requested) printf("Window closed; the line held \"%s\".\n", typed);
  gfx_shutdown();
}
