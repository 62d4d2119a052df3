// Small shared routines: minimum and maximum, clamping at zero, unseeded pseudo-random numbers,
// single-character conversions and the two heap string copies. None reports a failure.
#pragma once

#include <stddef.h>

#include "vt_api.h"

VT_BEGIN_DECLS

VT_API double dmax(double a, double b);  // b when b >= a
VT_API int imax(int a, int b);
VT_API int imin(int a, int b);
VT_API double dmax0(double x);           // x when x >= 0 (NaN passes through), else 0.0
VT_API int imax0(int a);

// Pseudo-random double in [0, x) ((x, 0] for negative x) from a 30-bit fraction. The generator is
// never seeded, so every run draws the same sequence.
VT_API double rand_real(double x);
// Pseudo-random int in 0 .. n-1; 0 when n <= 0.
VT_API int rand_int(int n);

VT_API char char_lower(char c);  // 'A'..'Z' to 'a'..'z', every other byte unchanged
VT_API int char_code(char c);    // the byte as 0..255

// Copies source (with its terminator) into a new heap string stored in *variable; returns
// strlen(source). string_set frees the old value first (source must not be that value);
// string_dup overwrites the variable without freeing (for variables that hold nothing yet).
VT_API size_t string_set(char** variable, const char* source);
VT_API size_t string_dup(char** variable, const char* source);

VT_END_DECLS
