// Gallery: one 800x600 scene that uses every 3D operation of the library. A supersampled
// procedural sky cube map sits behind lit, coloured spheres; a rounded box is built from sphere
// octants, cylinders and slabs; textured, plain and wire boxes stand beside it; 3D text lies on a
// tilted plane and wraps round a curved surface; a frosted, blurred part of the screen carries a
// panel of mark-up text (scripts, colours, tabs, Greek letters) in the caption font with Greek.
//
//   vantorel-gallery              in a window: arrows turn the view, B toggles the blur, Q/Escape quit
//   vantorel-gallery-headless -o gallery.png     draws one frame off-screen and saves it as PNG
//
// The same file builds both programs; only the host library they link differs.
#include <GL/gl.h>
#ifndef __EMSCRIPTEN__
#include <png.h>  // the browser build has no PNG output: its page shows the picture
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <vantorel/gfx/draw2d.h>
#include <vantorel/gfx/keys.h>
#include <vantorel/gfx/pacing.h>
#include <vantorel/gfx/shell_state.h>
#include <vantorel/gfx/view.h>
#include <vantorel/gfx/window.h>
#include <vantorel/gfx3d/blur.h>
#include <vantorel/gfx3d/cubemap.h>
#include <vantorel/gfx3d/shapes.h>
#include <vantorel/gfx3d/text3d.h>
#include <vantorel/text/builtin_font.h>
#include <vantorel/text/font.h>
#include <vantorel/text/markup.h>
#include <vantorel/text/text_draw.h>
#include <vantorel/text/texture.h>

namespace {

const int WIDTH = 800, HEIGHT = 600;

// The panel's lines in mark-up: "^" and "_" raise and lower (braces group, two levels deep),
// Greek names become letters, "#col=n#" sets the colour (0xRRGGBB in decimal), "#tab=n#" the pen x.
const char* const PANEL_LINES[] = {
    "Scripts:  E = mc^2,  H_2O",
    "Nested:  e^{x^2},  a_{i_j}",
    "#col=16756800#Colours#col=16777215#  and#tab=690#tabs",
    "Greek:  alpha beta gamma delta",
    "Omega = 2 pi f,  Sigma_{k=1}^n k",
};
const int PANEL_LINE_COUNT = 5, PANEL_LINE_SIZE = 160;

struct Gallery {
  unsigned sky = 0;           // cube map
  unsigned checker = 0;       // 2D texture of the textured boxes
  Font* text_font = nullptr;  // white glyphs with coverage in alpha: tinted 3D text
  Font* panel_font = nullptr; // the font of the mark-up panel
  double yaw = -14, pitch = 12;  // degrees
  bool blur = true;
  char panel[PANEL_LINE_COUNT][PANEL_LINE_SIZE];  // the panel's lines as font_print escapes
};

// ---- Sky ----------------------------------------------------------------------------------------

double mix(double a, double b, double t) { return a + (b - a) * t; }

// A colour for every direction: a blue gradient overhead, a pale horizon, a sun, soft bands of
// cloud and a darker ground below the horizon.
void sky_colour(double x, double y, double z, unsigned char rgb[3]) {
  double r, g, b;
  if (y >= 0) {
    double t = pow(y, 0.6);
    r = mix(190, 30, t), g = mix(215, 80, t), b = mix(240, 170, t);
    double cloud = 0.5 + 0.5 * sin(9 * x + 3 * sin(7 * z)) * sin(11 * z + 2 * x);
    cloud *= (1 - t) * 0.55;
    r = mix(r, 255, cloud), g = mix(g, 255, cloud), b = mix(b, 255, cloud);
  } else {
    double t = pow(-y, 0.5);
    r = mix(120, 40, t), g = mix(110, 60, t), b = mix(90, 40, t);
  }
  // The sun, up and to the right of the starting view.
  const double sx = 0.55, sy = 0.45, sz = -0.70;
  double along = (x * sx + y * sy + z * sz) / sqrt(sx * sx + sy * sy + sz * sz);
  double glow = along > 0.995 ? 1 : pow(fmax(along, 0), 300) * 0.8;
  r = mix(r, 255, glow), g = mix(g, 245, glow), b = mix(b, 200, glow);
  rgb[0] = (unsigned char)fmin(r, 255), rgb[1] = (unsigned char)fmin(g, 255);
  rgb[2] = (unsigned char)fmin(b, 255);
}

// ---- Set-up -------------------------------------------------------------------------------------

unsigned make_checker_texture() {
  const int size = 64;
  std::vector<uint8_t> image(size_t(tex_stride(size, 3)) * size);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      uint8_t* p = &image[size_t(y) * tex_stride(size, 3) + size_t(x) * 3];
      bool light = ((x / 16) + (y / 16)) % 2 == 0;
      p[0] = light ? 240 : 200, p[1] = light ? 200 : 60, p[2] = light ? 80 : 40;
    }
  unsigned texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  tex_upload_mipmapped(GL_TEXTURE_2D, 3, size, size, image.data());
  return texture;
}

Font* newest_font() { return fonts[font_list.count - 1]; }

void load_fonts(Gallery* g) {
  // The caption font with Greek letters as glyphs 256..308, in its own grey colours.
  font_load_builtin(FONT_BUILTIN_GREEK, "caption-greek", 0);
  g->panel_font = newest_font();
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption-alpha", 1);
  g->text_font = newest_font();
}

// Converted once: a line too long for its buffer would stay as written.
void convert_panel(Gallery* g) {
  for (int i = 0; i < PANEL_LINE_COUNT; i++) {
    snprintf(g->panel[i], PANEL_LINE_SIZE, "%s", PANEL_LINES[i]);
    markup(g->panel[i], PANEL_LINE_SIZE, 2);
    markup_codes(g->panel[i], PANEL_LINE_SIZE);
  }
}

void set_up(Gallery* g) {
  g->sky = make_cubemap(sky_colour, 256, 2);
  g->checker = make_checker_texture();
  load_fonts(g);
  convert_panel(g);

  GLfloat light_dir[] = {0.5f, 0.8f, 0.6f, 0.0f};
  GLfloat ambient[] = {0.25f, 0.25f, 0.28f, 1}, diffuse[] = {0.85f, 0.85f, 0.8f, 1};
  GLfloat specular[] = {0.6f, 0.6f, 0.6f, 1};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, light_dir);  // fixed in eye space: the light follows the view
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

// ---- The scene, one named piece at a time ---------------------------------------------------------

// The view turns about the scene's centre; the sky turns with it but never moves.
void look(const Gallery& g, bool for_sky) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gfx_perspective(60, 0.1f, 100);  // leaves the model-view matrix selected
  if (for_sky) {
    glMatrixMode(GL_PROJECTION);
    glRotated(g.pitch, 1, 0, 0);
    glRotated(g.yaw, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return;
  }
  glLoadIdentity();
  glTranslated(0, -0.3, -9);
  glRotated(g.pitch, 1, 0, 0);
  glRotated(g.yaw, 0, 1, 0);
}

void begin_lit() {
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glDisable(GL_BLEND);
}

void end_lit() {
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_LIGHTING);
}

void draw_spheres() {
  draw_sphere(-3.2, 0.2, -1.5, 1.0, 0xD03030, 24);
  draw_sphere(-1.2, -0.5, 1.6, 0.5, 0x30B040, 16);
  // Several spheres can share one batch.
  glBegin(GL_QUADS);
  emit_sphere(3.4, 1.6, -2.0, 0.6, 0x3060E0, 20);
  emit_sphere(1.9, -0.5, 2.1, 0.4, 0xE0C020, 16);
  glEnd();
}

// A box with rounded edges: eight octants at the corners, twelve cylinders along the edges and
// three slabs for the faces.
void draw_rounded_box(double cx, double cy, double cz, double a, double b, double c, double round,
                      int colour) {
  const int n = 16;
  glBegin(GL_QUADS);
  for (int sx = -1; sx <= 1; sx += 2)
    for (int sy = -1; sy <= 1; sy += 2)
      for (int sz = -1; sz <= 1; sz += 2)
        emit_sphere_octant(cx + sx * a, cy + sy * b, cz + sz * c, round, sx, sy, sz, colour, n);
  for (int s = -1; s <= 1; s += 2)
    for (int t = -1; t <= 1; t += 2) {
      emit_cylinder(cx - a, cy + s * b, cz + t * c, cx + a, cy + s * b, cz + t * c, round, colour, n);
      emit_cylinder(cx + s * a, cy - b, cz + t * c, cx + s * a, cy + b, cz + t * c, round, colour, n);
      emit_cylinder(cx + s * a, cy + t * b, cz - c, cx + s * a, cy + t * b, cz + c, round, colour, n);
    }
  emit_box(cx - a - round, cx + a + round, cy - b, cy + b, cz - c, cz + c);
  emit_box(cx - a, cx + a, cy - b - round, cy + b + round, cz - c, cz + c);
  emit_box(cx - a, cx + a, cy - b, cy + b, cz - c - round, cz + c + round);
  glEnd();
}

void draw_boxes(const Gallery& g) {
  // Textured: a long box whose checks repeat every 0.5 units, and a cube with one tile a face.
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, g.checker);
  glColor3ub(255, 255, 255);
  glBegin(GL_QUADS);
  emit_box_tex(0.9, 2.9, -1.5, -0.9, 1.6, 2.6, 0.5);
  emit_cube_tex(2.2, -1.5, -2.8, 1.0);
  glEnd();
  glDisable(GL_TEXTURE_2D);

  // Plain cube in the current colour.
  glColor3ub(150, 110, 200);
  glBegin(GL_QUADS);
  emit_cube(-4.4, -1.5, -0.4, 0.8);
  glEnd();

  // Wire box around the rounded box, unlit.
  glDisable(GL_LIGHTING);
  glColor3ub(255, 255, 255);
  glLineWidth(1.5f);
  glBegin(GL_LINES);
  emit_box_edges(-1.4, 1.2, -1.5, 1.1, -1.3, 0.9);
  glEnd();
  glEnable(GL_LIGHTING);
}

// Text is drawn with the alpha font: its glyph coverage is in alpha, so any colour works.
void begin_text(const Gallery& g) {
  font_select(g.text_font);
  set_blend_mode(4);
}

// A dark tilted plate with two lines laid along it by emit_text_3d.
void draw_tilted_text(const Gallery& g) {
  const double x0 = -4.5, y0 = -1.5, z0 = 2.9;
  glDisable(GL_LIGHTING);
  glColor3ub(30, 30, 50);
  glBegin(GL_QUADS);
  glVertex3d(x0 - 0.1, y0, z0 + 0.1), glVertex3d(x0 + 4.4, y0, z0 + 0.1);
  glVertex3d(x0 + 4.4, y0 + 0.01, z0 - 1.7), glVertex3d(x0 - 0.1, y0 + 0.01, z0 - 1.7);
  glEnd();

  begin_text(g);
  const char* text = "Text   laid   in   3D\nalong   two   vectors";
  double size = 4.2 / text_width_lines("along   two   vectors");  // the longer line fits the plate
  const double across[3] = {size, 0, 0}, down[3] = {0, 0, size * 0.9};
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, cur_font->tex);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  glColor3ub(255, 230, 120);
  glBegin(GL_QUADS);
  emit_text_3d(x0, y0 + 0.02, z0 - 1.6, text, down, across);
  glEnd();
  glPopAttrib();
  glEnable(GL_LIGHTING);
}

// Text wrapped round a vertical cylinder, its colour changing along the way.
struct Curve {
  double cx, cy, cz, radius, size;
  double centre;  // the column that faces the viewer
};

void map_round(double column, double row, void* data, double* x, double* y, double* z,
               int* colour) {
  const Curve* c = static_cast<const Curve*>(data);
  double angle = (column - c->centre) * c->size / c->radius;
  *x = c->cx + c->radius * sin(angle);
  *z = c->cz + c->radius * cos(angle);
  *y = c->cy - row * c->size;
  double t = fmin(fmax(column / (2 * c->centre), 0), 1);
  *colour = (255 << 16) | (int(mix(120, 240, t)) << 8) | int(mix(60, 140, t));
}

void draw_curved_text(const Gallery& g) {
  begin_text(g);
  const char* text = "and   round   a   curved   surface";
  Curve curve = {0.0, 2.6, -2.0, 4.5, 0.6, 0.5 * text_width_lines(text)};
  glDisable(GL_LIGHTING);
  glDepthMask(GL_FALSE);
  draw_text_mapped(text, map_round, &curve);
  glDepthMask(GL_TRUE);
}

void draw_title(const Gallery& g) {
  begin_text(g);
  begin2d();
  // Glyphs advance by their inked width only, so words get a few spaces.
  draw_text_scaled(16, 10, 34, "Vantorel   3D   gallery", 0xFFFFFF);
  draw_text_scaled(18, 46, 18, "arrows   turn   the   view,   B   blur,   Q   quit", 0xE8E8FF);
  end2d();
}

// The lower right of the screen, blurred in place, darkened and written on in mark-up.
void draw_frosted_panel(const Gallery& g) {
  const int x = 520, y = 330, w = 260, h = 250;
  if (g.blur) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, screen_h - y - h, w, h);  // OpenGL counts rows from the bottom
    screen_blur(8);
    glDisable(GL_SCISSOR_TEST);
  }
  begin2d();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4ub(10, 10, 30, 110);
  glBegin(GL_QUADS);
  glVertex2d(x, y), glVertex2d(x + w, y), glVertex2d(x + w, y + h), glVertex2d(x, y + h);
  glEnd();
  drawbox(x + 0.5, y + 0.5, w - 1, h - 1, 0xC0C0E0);
  end2d();

  font_select(g.panel_font);
  set_blend_mode(3);
  font_print(x + 12, y + 8, 0, g.blur ? "Blurred: screen_blur(8)" : "Blur off (B)", 0xB0B0D0);
  for (int i = 0; i < PANEL_LINE_COUNT; i++)
    font_print(x + 12, y + 38 + 30 * i, 0, g.panel[i], 0xFFFFFF);
}

void draw_scene(const Gallery& g) {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  look(g, true);
  draw_skybox(g.sky);

  look(g, false);
  begin_lit();
  draw_spheres();
  draw_rounded_box(-0.1, -0.2, -0.2, 0.9, 0.9, 0.7, 0.35, 0xB0B8C8);
  draw_boxes(g);
  end_lit();
  draw_tilted_text(g);
  draw_curved_text(g);
  end_lit();

  // Back to the library's pixel projection for the 2D parts.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, screen_w, screen_h, 0, screen_h / 2, -(screen_h / 2));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  draw_frosted_panel(g);
  draw_title(g);
}

// ---- Output -------------------------------------------------------------------------------------

bool save_png(const char* path) {
  std::vector<uint8_t> rgb(size_t(screen_w) * screen_h * 3), flipped(rgb.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, screen_w, screen_h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  size_t row = size_t(screen_w) * 3;
  for (int y = 0; y < screen_h; y++)  // OpenGL's rows start at the bottom, PNG's at the top
    memcpy(&flipped[size_t(y) * row], &rgb[size_t(screen_h - 1 - y) * row], row);
#ifdef __EMSCRIPTEN__
  (void)flipped;
  (void)path;
  return false;
#else
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(screen_w);
  image.height = png_uint_32(screen_h);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path, 0, flipped.data(), 0, nullptr) != 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const char* output = nullptr;
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      output = argv[++i];
    } else {
      fprintf(stderr, "usage: %s [-o FILE.png]\n", argv[0]);
      return 2;
    }
  }

  // Initialise: a framed 800x600 window, the textures and the fonts.
  windowed = 1;
  if (!gfx_open(WIDTH, HEIGHT, "Vantorel gallery")) return 1;
  Gallery gallery;
  set_up(&gallery);

  // Loop: turn with the arrows, B toggles the blur, Q or Escape ends.
  for (;;) {
    if (gfx_key_down(GFX_KEY_LEFT)) gallery.yaw -= 2;
    if (gfx_key_down(GFX_KEY_RIGHT)) gallery.yaw += 2;
    if (gfx_key_down(GFX_KEY_UP)) gallery.pitch = fmin(gallery.pitch + 1.5, 80);
    if (gfx_key_down(GFX_KEY_DOWN)) gallery.pitch = fmax(gallery.pitch - 1.5, -80);
    if (gfx_key_pressed(GFX_KEY_B)) gallery.blur = !gallery.blur;

    draw_scene(gallery);
    if (output) {
      glFinish();
      if (!save_png(output)) {
        fprintf(stderr, "gallery: cannot write %s\n", output);
        return 1;
      }
      break;
    }
    // Show the frame. The scene clears its own background, so nothing more is needed (a host
    // with a single buffer keeps the picture on show until the next frame is drawn).
    gfx_swap_buffers();
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    gfx_frame_end(60);
  }

  // Close: the shell releases the window and the context.
  gfx_shutdown();
}
