// Example: lit 3D shapes.
//
// A red sphere, a green cylinder, a blue cube, a grey floor slab and a white wire box, lit by one
// directional light from the upper left, in perspective. The shape calls emit vertices with
// normals into a batch the program opens (GL_QUADS, or GL_LINES for the wire box), so many
// shapes can share one batch; lighting and matrices are the program's own, set with plain OpenGL.
//   Left / Right   turn the scene
//   Space          starts or stops turning it by itself
//   Q or Escape    ends the program
//
//   example-shapes3d            in a window
//   example-shapes3d-headless   off-screen; drive it with VANTOREL_SCRIPT, for example
//                               "2 snapshot shapes3d.png", "3 quit"
#include <GL/gl.h>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x0D0D14;
const int WIDTH = 640, HEIGHT = 360;

}  // namespace

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise: the window, the font of the title line and the light.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: lit 3D shapes")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  const GLfloat ambient[] = {0.2f, 0.2f, 0.22f, 1}, diffuse[] = {0.9f, 0.9f, 0.85f, 1};
  const GLfloat light_dir[] = {-0.6f, 0.7f, 0.5f, 0};  // w = 0: a direction, in eye space
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, light_dir);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);  // glColor sets the material

  double yaw = 0;
  bool spin = false;
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update.
    if (gfx_key_pressed(GFX_KEY_SPACE)) spin = !spin;
    if (gfx_key_down(GFX_KEY_LEFT)) yaw -= 3;
    if (gfx_key_down(GFX_KEY_RIGHT)) yaw += 3;
    if (spin) yaw += 1;

    // Draw: the perspective projection, the camera, then the shapes with lighting on.
    gfx_perspective(60, 0.1f, 100);  // horizontal field of view; selects the model-view matrix
    glLoadIdentity();
    glTranslated(0, -0.5, -9.5);
    glRotated(20, 1, 0, 0);
    glRotated(yaw, 0, 1, 0);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    draw_sphere(-2.2, 0.2, 0, 1.2, 0xD02020, 24);  // opens and closes its own batch
    glBegin(GL_QUADS);
    emit_cylinder(0.4, -1, 0, 0.4, 1.6, 0, 0.6, 0x20B040, 24);  // from one end to the other
    glColor3ub(40, 80, 220);
    emit_cube(1.6, -1, -0.8, 1.6);  // corner and edge length, in the current colour
    glColor3ub(110, 110, 120);
    emit_box(-4, 4, -1.2, -1, -3, 3);  // the floor
    glEnd();
    glDisable(GL_LIGHTING);
    glColor3ub(255, 255, 255);
    glBegin(GL_LINES);
    emit_box_edges(-3.6, 3.6, -1, 2.2, -1.8, 1.8);
    glEnd();
    glDisable(GL_COLOR_MATERIAL);

    // A title line over the scene, in window pixels.
    begin2d();
    font_print(12, 10, 0, "Left / Right turn, Space spins, Q quits", 0xFFFFFF);
    end2d();

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
