// The ANIM palette rule, colour tables, nearest_color, JASC-PAL export and the alternative palette.
// Fractions are computed in double precision and stored as 32-bit floats, and nearest_color keeps
// the single-precision steps of the recorder so that recorded indices match other writers.
#include "anim/palette.h"

#include <cstdint>
#include <cstdio>

void anim_palette_entry(int index, float* red, float* green, float* blue) {
  double r, g, b;
  if (index < 8) {  // also indices below 0, by their low three bits
    r = (index & 4) ? 0.5 : 0.0;
    g = (index & 2) ? 0.5 : 0.0;
    b = (index & 1) ? 0.5 : 0.0;
  } else if (index == 8) {
    r = g = b = 0.25;
  } else if (index < 16) {
    r = (index & 4) ? 1.0 : 0.0;
    g = (index & 2) ? 1.0 : 0.0;
    b = (index & 1) ? 1.0 : 0.0;
  } else if (index < 40) {
    r = g = b = (index - 16) / 23.0;
  } else {
    int c = index - 40;
    r = 0.2 * (c % 6);
    g = 0.2 * ((c / 6) % 6);
    b = 0.2 * (c / 36);
  }
  *red = float(r);
  *green = float(g);
  *blue = float(b);
}

void anim_palette(float* red, float* green, float* blue) {
  for (int i = 0; i < 256; i++) anim_palette_entry(i, &red[i], &green[i], &blue[i]);
}

static int byte_of(float fraction) { return int(255.9 * fraction); }

void anim_palette_rgb(int* rgb) {
  for (int i = 0; i < 256; i++) {
    float r, g, b;
    anim_palette_entry(i, &r, &g, &b);
    rgb[i] = (byte_of(r) << 16) | (byte_of(g) << 8) | byte_of(b);
  }
}

static double square(double x) { return x * x; }

static float quant_red[256], quant_green[256], quant_blue[256];
static bool quant_ready = false;

// Distance of the colour (r, g, b) to palette entry i: float differences, squares and their sum in
// double precision.
static double distance_to(int i, float r, float g, float b) {
  return square(r - quant_red[i]) + square(g - quant_green[i]) + square(b - quant_blue[i]);
}

int nearest_color(int rgb) {
  float r = float(rgb & 0xFF0000) / float(0xFF0000);
  float g = float(rgb & 0xFF00) / float(0xFF00);
  float b = float(rgb & 0xFF) / float(0xFF);
  if (!quant_ready) {
    anim_palette(quant_red, quant_green, quant_blue);
    quant_ready = true;
  }

  int best = 4 * (r >= 0.25f) + 2 * (g >= 0.25f) + (b >= 0.25f);
  float best_d = float(distance_to(best, r, g, b));

  int bright = 8 + 4 * (r >= 0.5f) + 2 * (g >= 0.5f) + (b >= 0.5f);
  float d = float(distance_to(bright, r, g, b));
  if (d < best_d) {
    best = bright;
    best_d = d;
  }

  float sum = r + g + b;
  int grey = 16 + int(23.0 * sum / 3.0 + 0.499);
  d = float(distance_to(grey, r, g, b));
  if (d < best_d) {
    best = grey;
    best_d = d;
  }

  int ri = int(5.0 * r + 0.499), gi = int(5.0 * g + 0.499), bi = int(5.0 * b + 0.499);
  int cube = 40 + ri + 6 * gi + 36 * bi;
  if (distance_to(cube, r, g, b) < best_d) best = cube;  // unrounded against the stored float
  return best;
}

int save_jasc_pal(const float* red, const float* green, const float* blue, const char* path) {
  // Binary mode with explicit CR LF gives the same bytes on every platform.
  FILE* f = std::fopen(path, "wb");
  if (!f) return 0;
  std::fputs("JASC-PAL\r\n0100\r\n256\r\n", f);
  for (int i = 0; i < 256; i++)
    std::fprintf(f, "%d %d %d\r\n", byte_of(red[i]), byte_of(green[i]), byte_of(blue[i]));
  bool failed = std::ferror(f) != 0;
  if (std::fclose(f) != 0) failed = true;
  return failed ? 0 : 1;
}

void alt_palette(float* red, float* green, float* blue) {
  static const double ramp[8] = {0, 0.25, 0.5, 0.75, 1, 0.75, 0.5, 0.25};
  static const double level_high[4] = {1.0, 1.0, 0.25, 0.5};
  static const double level_low[4] = {0.0, 0.5, 0.0, 0.0};
  for (int i = 0; i < 256; i++) {
    double r = 0, g = 0, b = 0;
    if (i < 16) {
      float fr, fg, fb;
      anim_palette_entry(i, &fr, &fg, &fb);
      r = fr, g = fg, b = fb;
    } else if (i < 32) {
      r = g = b = (i - 16) / 15.0;
    } else if (i < 128) {
      int j = i - 32, level = j / 24, sector = (j / 4) % 6;
      double t = ramp[j % 8], high = level_high[level], low = level_low[level];
      double mid = t * high + (1 - t) * low;
      switch (sector) {
        case 0:
          r = mid, g = low, b = high;
          break;
        case 1:
          r = high, g = low, b = mid;
          break;
        case 2:
          r = high, g = mid, b = low;
          break;
        case 3:
          r = mid, g = high, b = low;
          break;
        case 4:
          r = low, g = high, b = mid;
          break;
        default:
          r = low, g = mid, b = high;
          break;
      }
    } else if (i < 253) {
      int c = i - 128;
      r = 0.25 * (c % 5);
      g = 0.25 * ((c / 5) % 5);
      b = 0.25 * (c / 25);
    }
    red[i] = float(r);
    green[i] = float(g);
    blue[i] = float(b);
  }
}

// Recently quantised colours, direct-mapped by a hash of the colour: pictures repeat colours a lot.
static uint32_t quant_cache_key[4096];  // colour + 1, 0 for an empty slot
static unsigned char quant_cache_index[4096];

void anim_quantise_row(const unsigned char* rgb, int count, unsigned char* out) {
  for (int i = 0; i < count; i++, rgb += 3) {
    uint32_t c = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    uint32_t slot = ((c * 2654435761u) >> 20) & 4095;
    if (quant_cache_key[slot] != c + 1) {
      quant_cache_key[slot] = c + 1;
      quant_cache_index[slot] = (unsigned char)nearest_color(int(c));
    }
    out[i] = quant_cache_index[slot];
  }
}
