// Numeric, random, character and string helpers shared by the fonts, the captions and the player.
#include "support/util.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

double dmax(double a, double b) { return b >= a ? b : a; }
int imax(int a, int b) { return a > b ? a : b; }
int imin(int a, int b) { return a < b ? a : b; }
// Only a negative x is clamped, so a NaN passes through unchanged.
double dmax0(double x) { return x < 0 ? 0.0 : x; }
int imax0(int a) { return a >= 0 ? a : 0; }

namespace {
// 15 random bits per call whatever the range of rand: the low 15 bits are uniform whenever
// RAND_MAX + 1 is a power of two of at least 2^15, as it is everywhere this builds.
int rand15() { return rand() & 0x7FFF; }
static_assert(((unsigned long long)RAND_MAX + 1) % 32768 == 0, "rand range not a multiple of 2^15");
}  // namespace

double rand_real(double x) {
  int a = rand15();
  int b = rand15();
  return ((a / 32768.0) + b) / 32768.0 * x;
}

int rand_int(int n) {
  double r = std::floor(rand_real(n));
  if (r < n) return int(r);
  return imax0(n - 1);
}

char char_lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

int char_code(char c) { return static_cast<unsigned char>(c); }

size_t string_dup(char** variable, const char* source) {
  size_t length = strlen(source);
  char* copy = static_cast<char*>(malloc(length + 1));
  if (!copy) {
    fputs("string copy: out of memory\n", stderr);
    abort();
  }
  memcpy(copy, source, length + 1);
  *variable = copy;
  return length;
}

size_t string_set(char** variable, const char* source) {
  free(*variable);
  *variable = nullptr;
  return string_dup(variable, source);
}
