// anim_color: the ANIM palette as the current OpenGL colour. Kept apart from palette.cpp so that
// programs without OpenGL can use the palette.
#include <GL/gl.h>

#include "anim/palette.h"

void anim_color(int index) {
  float r, g, b;
  anim_palette_entry(index, &r, &g, &b);
  glColor3f(r, g, b);
}
