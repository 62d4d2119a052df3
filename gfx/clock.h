// The clock: gfx_clock returns seconds as a double from an arbitrary origin; only differences mean
// anything. The first call picks the source once (the host's high-resolution counter, or its
// millisecond tick count when it has none) and points gfx_clock straight at it.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

extern VT_API double (*gfx_clock)(void);  // starts at clock_select; later clock_perf or clock_ticks
extern VT_API double clock_inv_freq;  // seconds per counter count; 0 until a counter is found

// picks the source, stores it in gfx_clock, returns its first reading
VT_API double clock_select(void);
VT_API double clock_perf(void);    // the performance counter times clock_inv_freq
VT_API double clock_ticks(void);   // the tick count times 0.001
VT_API double counter_to_double(uint32_t low, int32_t high);  // high * 2^32 + low

VT_END_DECLS
