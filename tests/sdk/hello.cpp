// The C++ twin of hello.c, for the SDK tests: the same picture (dark blue background, orange box,
// a line of text in the built-in font) from a C++17 program.
//
//   hello_cpp              runs until a quit message (the headless host's VANTOREL_SCRIPT)
//   hello_cpp shot.bmp     saves its third frame as a BMP screenshot and ends
#include <vantorel/vantorel.h>

#include <string>

int main(int argc, char** argv) {
  const std::string shot = argc > 1 ? argv[1] : "";
  if (!gfx_open(320, 240, "Vantorel SDK test (C++)")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  for (int frame = 1;; frame++) {
    fillbox(0, 0, 320, 240, 0x102060);
    fillbox(200, 40, 80, 60, 0xFF8000);
    font_print(20, 150, 0, "Hello from C++", 0xFFFFFF);
    if (!shot.empty() && frame == 3) {
      screenshot_window(shot.c_str(), 0);
      break;
    }
    if (gfx_poll()) break;
    gfx_present(0x000000);
  }
  gfx_shutdown();
}
