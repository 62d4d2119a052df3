/* A first program against the installed library, built from outside the source tree by the SDK
 * tests (CMake package, pkg-config, plain compiler lines, the Windows zip): a 320x240 window with
 * a dark blue background, an orange box and a line of text in the built-in font. It keeps to C99.
 *
 *   hello              runs until a quit message (the headless host's VANTOREL_SCRIPT sends one)
 *   hello shot.bmp     saves its third frame as a BMP screenshot and ends
 */
#include <vantorel/vantorel.h>

int main(int argc, char** argv) {
  int frame;
  if (!gfx_open(320, 240, "Vantorel SDK test (C)")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  for (frame = 1;; frame++) {
    fillbox(0, 0, 320, 240, 0x102060);
    fillbox(200, 40, 80, 60, 0xFF8000);
    font_print(20, 150, 0, "Hello from C", 0xFFFFFF);
    if (argc > 1 && frame == 3) {
      screenshot_window(argv[1], 0);
      break;
    }
    if (gfx_poll()) break;
    gfx_present(0x000000);
  }
  gfx_shutdown();
}
