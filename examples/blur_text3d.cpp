// Example: blur and 3D text.
//
// Over a checkered background, a line of text waves in perspective: draw_text_mapped hands every
// glyph corner to a mapping function of the program's, which places it on a sine wave in 3D and
// gives it a colour that runs from orange to pink along the line. On the right, a frosted panel:
// screen_blur blurs the picture already drawn, limited to the panel by a scissor box, and a flat
// label is drawn on it with draw_text_scaled. The text uses the built-in font loaded with its
// coverage in alpha, so any colour tints it.
//   B             turns the blur off and on
//   Space         stops or starts the wave
//   Q or Escape   ends the program
//
//   example-blur_text3d            in a window
//   example-blur_text3d-headless   off-screen; drive it with VANTOREL_SCRIPT, for example
//                                  "2 snapshot blurred.png", "2 press b", "4 snapshot sharp.png",
//                                  "5 quit"
#include <GL/gl.h>

#include <cmath>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x000000;
const int WIDTH = 640, HEIGHT = 360;
const int PANEL_X = 400, PANEL_Y = 40, PANEL_W = 220, PANEL_H = 280;

// Where the wave puts text position (column, row), in line heights: columns run along x, the
// wave lifts them in y and pushes them back in z.
struct Wave {
  double size;    // units per line height
  double phase;   // radians
  double length;  // columns in the text
};

void map_wave(double column, double row, void* data, double* x, double* y, double* z,
              int* colour) {
  const Wave* w = static_cast<const Wave*>(data);
  const double a = column * 0.6 + w->phase;
  *x = (column - w->length / 2) * w->size;
  *y = -row * w->size + 0.5 * sin(a);
  *z = 0.8 * cos(a);
  const double t = column / w->length;
  *colour = (255 << 16) | (int(160 - 100 * t) << 8) | int(40 + 160 * t);
}

}  // namespace

int main(int argc, char** argv) {
  (void)argc, (void)argv;

  // Initialise: the window and the font with its coverage in alpha (the last argument).
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel: blur and 3D text")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption-alpha", 1);
  set_blend_mode(4);  // alpha blending for text of that font

  const char* text = "Waving   text   in   3D";  // glyphs advance by their inked width only
  Wave wave = {0.7, 0, text_width_lines(text)};
  bool blur = true, waving = true;
  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update.
    if (gfx_key_pressed(GFX_KEY_B)) blur = !blur;
    if (gfx_key_pressed(GFX_KEY_SPACE)) waving = !waving;
    if (waving) wave.phase += 0.08;

    // Draw the checkered background in window pixels (the projection gfx_open set up).
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, screen_w, screen_h, 0, screen_h / 2, -(screen_h / 2));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    for (int y = 0; y < HEIGHT; y += 20)
      for (int x = 0; x < WIDTH; x += 20)
        fillbox(x, y, 20, 20, ((x + y) / 20) % 2 ? 0x404860 : 0x202430);

    // The waving text, in perspective.
    gfx_perspective(60, 0.1f, 100);
    glLoadIdentity();
    glTranslated(-1.8, 0.6, -9);
    glRotated(25, 0, 1, 0);
    draw_text_mapped(text, map_wave, &wave);

    // The frosted panel: blur inside the scissor box (OpenGL counts its rows from the bottom),
    // then frame and label it.
    if (blur) {
      glEnable(GL_SCISSOR_TEST);
      glScissor(PANEL_X, screen_h - PANEL_Y - PANEL_H, PANEL_W, PANEL_H);
      screen_blur(8);
      glDisable(GL_SCISSOR_TEST);
    }
    begin2d();
    drawbox(PANEL_X + 0.5, PANEL_Y + 0.5, PANEL_W - 1, PANEL_H - 1, 0xC0C0E0);
    draw_text_scaled(PANEL_X + 12, PANEL_Y + 10, 24, blur ? "Blurred   (B)" : "Sharp   (B)",
                     0xFFFFFF);
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
