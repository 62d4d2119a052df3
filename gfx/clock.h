// The clock: gfx_clock returns seconds as a double from an arbitrary origin; only differences mean
// anything. The first call picks the source once (the host's high-resolution counter, or its
// millisecond tick count when it has none) and points gfx_clock straight at it.
#pragma once

#include <cstdint>

extern double (*gfx_clock)();  // starts at clock_select; later clock_perf or clock_ticks
extern double clock_inv_freq;  // seconds per counter count; 0 until a counter is found

double clock_select();  // picks the source, stores it in gfx_clock, returns its first reading
double clock_perf();    // the performance counter times clock_inv_freq
double clock_ticks();   // the tick count times 0.001
double counter_to_double(uint32_t low, int32_t high);  // high * 2^32 + low
