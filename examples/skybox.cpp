// Example: a cube-map sky backdrop.
//
// The sky is made once by a colour function that gives the colour seen in every direction: a
// blue gradient above the horizon, a low orange sun ahead, a green ground below. The
// library samples it into the six faces of a cube map (here 2 x 2 samples a texel, for smooth
// edges) and draw_skybox paints it around the eye each frame, before the scene. A white sphere
// floats in front. The view turns with the arrow keys; the sky turns with it but never moves.
//   Left / Right   turn (3 degrees a frame while held)
//   Up / Down      look up and down
//   Q or Escape    ends the program
//
//   example-skybox            in a window
//   example-skybox-headless   off-screen; drive it with VANTOREL_SCRIPT, for example
//                             "2 snapshot sky.png", "2 down 0x26", "12 snapshot up.png", "13 quit"
#include <GL/gl.h>

#include <cmath>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x000000;
const int WIDTH = 640, HEIGHT = 360;

double mix(double a, double b, double t) { return a + (b - a) * t; }

// The colour seen along the unit direction (x, y, z); y is up and the view starts along -z.
void sky_colour(double x, double y, double z, unsigned char rgb[3]) {
  double r, g, b;
  if (y >= 0) {
    r = mix(170, 20, y), g = mix(200, 60, y), b = mix(250, 160, y);
  } else {
    r = mix(60, 20, -y), g = mix(140, 70, -y), b = mix(50, 20, -y);
  }
  double sun = -z * 0.97 + y * 0.24;  // cosine of the angle to the sun, just above the horizon
  if (sun > 0.995) r = 255, g = 160, b = 40;
  rgb[0] = (unsigned char)r, rgb[1] = (unsigned char)g, rgb[2] = (unsigned char)b;
  (void)x;
}

}  // namespace

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise: the window, the cube map and the light of the sphere.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: sky backdrop")) return 1;
  unsigned sky = make_cubemap(sky_colour, 128, 2);  // 0 when it cannot be made
  const GLfloat light_dir[] = {0.3f, 0.8f, 0.5f, 0};
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, light_dir);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);

  double yaw = 0, pitch = 0;  // degrees
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update.
    if (gfx_key_down(GFX_KEY_LEFT)) yaw -= 3;
    if (gfx_key_down(GFX_KEY_RIGHT)) yaw += 3;
    if (gfx_key_down(GFX_KEY_UP)) pitch = fmax(pitch - 3, -80);
    if (gfx_key_down(GFX_KEY_DOWN)) pitch = fmin(pitch + 3, 80);

    // Draw the sky: the turn goes into the projection, since draw_skybox replaces the
    // model-view matrix while it paints. It clears the depth buffer afterwards.
    gfx_perspective(75, 0.1f, 100);
    glMatrixMode(GL_PROJECTION);
    glRotated(pitch, 1, 0, 0);
    glRotated(yaw, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (sky) draw_skybox(sky);

    // Then the scene, under the same turn.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    draw_sphere(1.5, 0.3, -6, 0.8, 0xF0F0F0, 24);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Q, Escape or a quit message end the loop; closing the window ends
    // the program.
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(60);
  }

  // Close: the texture goes with the context.
  gfx_shutdown();
}
