/* A C99 program on the shared library and the off-screen backend: opens a 64x48 window, draws a
   box and a line of text in the built-in font, and prints the linked version and two pixels. */
#include <GL/gl.h>
#include <stdio.h>

#include <vantorel/vantorel.h>

static unsigned pixel(int x, int y) {
  unsigned char rgb[3];
  glReadPixels(x, screen_h - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return (unsigned)rgb[0] << 16 | (unsigned)rgb[1] << 8 | rgb[2];
}

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  windowed = 1;
  if (!gfx_open(64, 48, "subproject")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);
  font_use("caption");
  begin2d();
  fillbox(4, 4, 10, 10, 0x3366cc);
  font_print(20, 20, 0, "Hi", 0xffffff);
  end2d();
  glFinish();
  printf("vantorel %s (headers %s) box %06x corner %06x font %s\n", vantorel_version(),
         VANTOREL_VERSION_STRING, pixel(8, 8), pixel(60, 2), cur_font ? cur_font->name : "none");
  return 0;
}
