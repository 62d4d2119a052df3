// Waiting for a moment on the clock without burning the processor: gfx_wait_until sleeps on the
// host's timer until shortly before the moment and reads gfx_clock in a tight loop only for the
// last stretch, so it ends as promptly as a pure busy wait. The stretch (the spin margin) follows
// the lateness the host's sleeps have shown on this machine.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Waits until a gfx_clock reading is no longer below deadline, or is at or past limit, whichever
// comes first, and returns that reading. A NaN deadline ends the wait at once. Sleeps only while
// gfx_clock reads the host's high-resolution counter; with any other source it busy-waits.
VT_API double gfx_wait_until(double deadline, double limit);

// Ends a frame of a loop that runs at fps frames a second: waits (with gfx_wait_until) until the
// next frame's moment and returns the clock. The moments follow each other by 1/fps from the
// first call, so the rate holds however long each frame took to draw; a loop that fell more than
// a frame behind starts afresh instead of rushing to catch up. fps 0 or less: no wait.
VT_API double gfx_frame_end(double fps);

// Seconds before a deadline at which sleeping stops and the busy wait takes over: the largest
// lateness of the recent sleeps with some headroom, kept between the two bounds below. Lateness
// past the upper bound comes from waiting for a processor on a busy machine, which a busy wait
// would suffer as well, so spinning longer would buy nothing.
extern VT_API double pacing_spin_margin;
#define kPacingMinMargin (0.0001)  // lower bound of pacing_spin_margin, seconds
#define kPacingMaxMargin (0.001)   // upper bound of pacing_spin_margin, seconds

VT_END_DECLS
