// Draws the bundled demo animation (assets/demo.anim): 640x480, version 2, a few hundred frames of
// bouncing balls, a turning colour wheel, a plasma window, a scrolling rainbow bar and twinkling
// stars over a banded backdrop, so that every block kind of the format appears. Only integer and
// basic floating-point arithmetic is used, so every machine writes the same bytes. With --icon it
// writes the program's icon instead: one second of the colour wheel alone, 256 pixels across, for
// animtool thumbnail to turn into the PNG icons.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "anim/encode.h"

namespace {

constexpr int W = 640, H = 480, FRAMES = 300;

// Sine of a turn fraction (0..1), by a Taylor series on [-pi, pi]: no library calls.
double sine_turn(double turn) {
  const double pi = 3.14159265358979323846;
  turn -= double(long(turn));
  if (turn < 0) turn += 1;
  double x = turn * 2 * pi;
  if (x > pi) x -= 2 * pi;
  double term = x, sum = x;
  for (int k = 1; k < 12; k++) {
    term *= -x * x / double((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}

// A small fixed generator (xorshift) for the stars.
struct Random {
  unsigned state = 2463534242u;
  unsigned next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

int cube(int r, int g, int b) { return 40 + r + 6 * g + 36 * b; }  // components 0..5

struct Picture {
  std::vector<unsigned char> px = std::vector<unsigned char>(size_t(W) * H);
  void set(int x, int y, int index) {
    if (x >= 0 && y >= 0 && x < W && y < H) px[size_t(y) * W + x] = (unsigned char)index;
  }
};

void backdrop(Picture* p) {
  // Broad diagonal bands in dark cube blues and greys: large single-colour blocks.
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      int band = ((x + 2 * y) / 96) % 6;
      p->px[size_t(y) * W + x] =
          (unsigned char)(band < 3 ? cube(0, band / 2, 1 + band) : 17 + band);
    }
}

void ball(Picture* p, int cx, int cy, int radius, int fill, int rim) {
  for (int y = cy - radius; y <= cy + radius; y++)
    for (int x = cx - radius; x <= cx + radius; x++) {
      int d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d <= radius * radius) p->set(x, y, d >= (radius - 2) * (radius - 2) ? rim : fill);
    }
}

void colour_wheel(Picture* p, int cx, int cy, int radius, int t) {
  // 24 sectors of the cube's saturated hues, turning; the hub mixes every hue (raw blocks).
  for (int y = -radius; y <= radius; y++)
    for (int x = -radius; x <= radius; x++) {
      int d = x * x + y * y;
      if (d > radius * radius) continue;
      // Angle as a fraction of a turn from a cheap octant formula, then 24 sectors.
      int ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
      double a = ax >= ay ? (ax ? 0.125 * ay / ax : 0) : 0.25 - 0.125 * ax / ay;
      if (x < 0) a = 0.5 - a;
      if (y < 0) a = 1 - a;
      int sector = (int(a * 24) + t / 2) % 24;
      int index;
      if (d < 20 * 20)
        index = 40 + ((x * 7 + y * 13 + t) & 127) + 88;  // speckled hub
      else {
        static const int hues[6][3] = {{5, 0, 0}, {5, 5, 0}, {0, 5, 0},
                                       {0, 5, 5}, {0, 0, 5}, {5, 0, 5}};
        const int* h = hues[sector / 4];
        int shade = sector % 4 + 2;
        index = cube(h[0] * shade / 5, h[1] * shade / 5, h[2] * shade / 5);
      }
      p->set(cx + x, cy + y, index);
    }
}

void plasma(Picture* p, int x0, int y0, int w, int h, int t) {
  // Sixteen greys and blues picked by a sum of sines: nine to sixteen colours per block.
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      double v = sine_turn(x / 37.0 + t / 60.0) + sine_turn(y / 23.0 - t / 45.0) +
                 sine_turn((x + y) / 51.0 + t / 90.0);
      int level = int((v + 3) * 16 / 6.0001);
      p->set(x0 + x, y0 + y, level < 8 ? cube(0, level % 6, 5) : 16 + 3 * (level - 8));
    }
}

void rainbow_bar(Picture* p, int x0, int y0, int w, int h, int t) {
  // Eight hues in stripes one pixel wide, scrolling: eight colours per block.
  static const int hues[8] = {12, 14, 10, 11, 9, 13, 15, 8};
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) p->set(x0 + x, y0 + y, hues[(x + y / 4 + t) & 7]);
}

void checker_strip(Picture* p, int x0, int y0, int w, int h, int t) {
  // Two colours sliding: kind 7 blocks.
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) p->set(x0 + x, y0 + y, ((x + t) / 3 + y / 3) % 2 ? 15 : 0);
}

void stars(Picture* p, int t) {
  // Twinkling pixels, some alone (single points) and some in small clusters (sparse lists).
  Random rng;
  for (int s = 0; s < 90; s++) {
    int x = int(rng.next() % W), y = int(rng.next() % (H - 100)) + 100;
    int phase = int(rng.next() % 16), size = s % 3 == 0 ? 4 : 1;
    if (((t + phase) / 4) % 3 == 0) continue;
    int colour = ((t + phase) / 4) % 3 == 1 ? 15 : 11;
    for (int k = 0; k < size; k++) p->set(x + (k % 2) * 2, y + (k / 2) * 3, colour);
  }
}

void draw_frame(Picture* p, int t) {
  backdrop(p);
  plasma(p, 400, 40, 96, 64, t);
  rainbow_bar(p, 80, 440, 240, 16, t / 2);
  checker_strip(p, 520, 140, 96, 24, t);
  colour_wheel(p, 480, 300, 70, t);
  struct Ball {
    int x, y, dx, dy, r, fill, rim;
  };
  static const Ball balls[] = {{100, 100, 5, 3, 30, 12, 4},
                               {300, 200, 3, -4, 22, 14, 6},
                               {200, 350, -4, 2, 26, 10, 2},
                               {500, 80, -3, 5, 16, 13, 5},
                               {60, 300, 6, -3, 12, 15, 7}};
  for (const Ball& b : balls) {
    // Bounce inside the picture: positions fold back at the edges.
    int span_x = W - 2 * b.r, span_y = H - 2 * b.r;
    int px = ((b.x - b.r + b.dx * t) % (2 * span_x) + 2 * span_x) % (2 * span_x);
    int py = ((b.y - b.r + b.dy * t) % (2 * span_y) + 2 * span_y) % (2 * span_y);
    if (px > span_x) px = 2 * span_x - px;
    if (py > span_y) py = 2 * span_y - py;
    ball(p, px + b.r, py + b.r, b.r, b.fill, b.rim);
  }
  stars(p, t);
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = "demo.anim";
  bool icon = false;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (std::strcmp(argv[i], "--icon") == 0) {
      icon = true;
    } else {
      std::fprintf(stderr, "Usage: make_demo_anim [--icon] [-o OUT.anim]\n");
      return 1;
    }
  }
  AnimFile rec = anim_writer_open_size(out.c_str(), 2, W, H);
  if (!rec.file) {
    std::fprintf(stderr, "make_demo_anim: %s: %s\n", out.c_str(), std::strerror(rec.open_errno));
    return 1;
  }
  Picture p;
  for (int t = 0; t < (icon ? 25 : FRAMES); t++) {
    // The icon's wheel on black (index 0, never written) spans pixels 1 to 255 both ways, so the
    // file's extent is exactly 256x256.
    if (icon)
      colour_wheel(&p, 128, 128, 127, t);
    else
      draw_frame(&p, t);
    anim_encode_indices(&rec, p.px.data(), W);
  }
  bool bad = std::ferror(rec.file) != 0;
  anim_close(rec);
  if (bad) {
    std::fprintf(stderr, "make_demo_anim: %s: write error\n", out.c_str());
    return 1;
  }
  return 0;
}
