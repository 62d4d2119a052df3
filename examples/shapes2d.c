/* Example: 2D primitives (written in C).
 *
 * One call each for boxes (filled and outlined), rectangles by their corners, circles (filled and
 * outlined), pie and ring sectors, lines and points, in pixel coordinates with the origin at the
 * top left. A ring sector grows by 3 degrees a frame and a translucent pie sector lies over a box.
 *
 *   example-shapes2d            in a window; Q or Escape (or closing the window) ends it
 *   example-shapes2d-headless   off-screen; drive it with VANTOREL_SCRIPT, for example a script
 *                               "30 snapshot shapes.png" (the ring then spans 90 degrees) and
 *                               "31 quit"
 */
#include <GL/gl.h>
#include <math.h>

#include <vantorel/vantorel.h>

enum { WIDTH = 640, HEIGHT = 360 };
static const unsigned BACKGROUND = 0x1A1A1A;
static const double PI = 3.14159265358979323846;

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  /* Initialise: a framed window whose projection is one unit per pixel, y down. */
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: 2D primitives")) return 1;

  int frame = 0;
  /* The first frame starts on the background colour: gfx_present sets it and clears. */
  gfx_present(BACKGROUND);
  for (;;) {
    /* Update: the ring's sweep, in radians (0 points up, angles grow clockwise). */
    frame++;
    double sweep = fmod(frame * 3.0, 360.0) * PI / 180;

    /* Draw. */

    fillbox(20, 20, 120, 80, 0xE04040);        /* x, y, width, height */
    drawbox(160, 20, 120, 80, 0x40E040);       /* the outline only */
    drawrect(300, 20, 420, 100, 0x4080FF);     /* from corner to corner */
    fillbox(460, 20, 160, 80, 0x2040A0);

    fillcircle(80, 200, 50, 0xFFC020);         /* centre and radius */
    drawcircle(220, 200, 50, 0x20C0FF);
    fillarc(360, 200, 0, 50, 0, PI / 2, 0xFF40FF, 255);    /* a quarter pie, upper right */
    fillarc(500, 200, 30, 50, 0, sweep, 0x40FF80, 255);    /* a growing ring sector */

    /* A translucent pie over the dark blue box: alpha 128 of 255, blended by OpenGL. */
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    fillarc(540, 60, 0, 35, -PI / 2, PI / 2, 0xFFFFFF, 128);
    glDisable(GL_BLEND);

    /* A fan of lines and a dotted row of points. */
    for (int i = 0; i <= 8; i++)
      drawline(20, 340, 20 + 40 * i, 280, 0xFFFFFF);
    for (int i = 0; i < 60; i++)
      drawpoint(400 + 4 * i + 0.5, 320.5, 0xFFFF00);

    /* Input: the messages and keys of this frame (the off-screen host takes the
     * script's snapshots here). Q, Escape or a quit message end the loop; closing
     * the window ends the program. */
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    /* Show the frame and clear the drawing buffer for the next one. */
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  /* Close. */
  gfx_shutdown();
}
