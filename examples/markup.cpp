// Example: text mark-up with Greek letters.
//
// Each line shows a piece of mark-up as written (left, grey) and as drawn after conversion
// (right): "^" and "_" raise and lower the next letters, digits or {group}; Greek letter names
// become letters ("alpha", "Omega", "pi"); "#col=n#" sets the colour (0xRRGGBB written in decimal)
// and "#tab=n#" moves the pen to x = n. The converter works in place on the caller's buffer and
// refuses, leaving the text as it was, when the result would not fit. The bottom line converts
// what you type (Backspace deletes, Enter clears). Greek letters need a font that holds them: the
// built-in caption font with Greek (FONT_BUILTIN_GREEK). Escape ends the program.
//
//   example-markup            in a window
//   example-markup-headless   off-screen; drive it with VANTOREL_SCRIPT, for example
//                             "1 char pi r^2", "3 snapshot markup.png", "4 quit"

#include <cstdio>
#include <cstring>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x141433;
const int WIDTH = 640, HEIGHT = 360;
const int CHAR_BACKSPACE = 8, CHAR_ENTER = 13;
const int LINE_SIZE = 160;  // buffer of one converted line, terminator included

const char* const LINES[] = {
    "E = mc^2,  H_2O",
    "e^{x^2},  a_{i_j}",
    "alpha beta gamma delta",
    "Omega = 2 pi f",
    "#col=16744448#orange #col=16777215#and #tab=560#tab",
};
const int LINE_COUNT = 5;

// Converts a copy of source into out: Greek names and scripts two levels deep, then the codes.
void convert(const char* source, char* out) {
  snprintf(out, LINE_SIZE, "%s", source);
  markup(out, LINE_SIZE, 2);
  markup_codes(out, LINE_SIZE);
}

}  // namespace

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise: the window, the font with Greek letters and the converted lines.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: mark-up")) return 1;
  font_load_builtin(FONT_BUILTIN_GREEK, "caption-greek", 0);
  font_use("caption-greek");
  static char converted[LINE_COUNT][LINE_SIZE];
  for (int i = 0; i < LINE_COUNT; i++) convert(LINES[i], converted[i]);
  char typed[64] = "", typed_converted[LINE_SIZE] = "";

  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update: typed characters edit the bottom line, converted again after each change.
    bool changed = false;
    for (int c = gfx_inkey(); c != 0; c = gfx_inkey(), changed = true) {
      size_t n = strlen(typed);
      if (c == CHAR_BACKSPACE && n > 0) typed[n - 1] = 0;
      if (c == CHAR_ENTER) typed[0] = 0;
      if (c >= 32 && n + 1 < sizeof typed) typed[n] = char(c), typed[n + 1] = 0;
    }
    if (changed) convert(typed, typed_converted);

    // Draw.
    for (int i = 0; i < LINE_COUNT; i++) {
      font_print(20, 20 + 50 * i, 300, LINES[i], 0x9090A0);  // wrapped at x = 300
      font_print(340, 20 + 50 * i, 0, converted[i], 0xFFFFFF);
    }
    font_print(20, 305, 0, typed[0] ? typed : "type mark-up here", 0x9090A0);
    font_print(340, 305, 0, typed_converted, 0xFFFFFF);

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Escape or a quit message end the loop; closing the window ends the
    // program.
    if (gfx_poll() || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  // Close.
  gfx_shutdown();
}
