// Sleep-then-spin waits on the clock. Every sleep aims at the deadline less the spin margin and
// notes how late it woke; the margin is the worst of the last few latenesses, half as much again,
// so a machine whose timers are sharp spins for a tenth of a millisecond and a loaded one longer.
#include "gfx/pacing.h"

#include <algorithm>
#include <cmath>

#include "gfx/clock.h"
#include "host/host.h"

double pacing_spin_margin = kPacingMaxMargin / 2;  // until the first sleeps have been measured

namespace {

constexpr int kRecent = 16;  // sleeps whose lateness sets the margin
double recent_lateness[kRecent];
int recent_count = 0, recent_next = 0;

void note_lateness(double late) {
  recent_lateness[recent_next] = std::max(late, 0.0);
  recent_next = (recent_next + 1) % kRecent;
  recent_count = std::min(recent_count + 1, kRecent);
  double worst = *std::max_element(recent_lateness, recent_lateness + recent_count);
  pacing_spin_margin = std::clamp(worst * 1.5 + 0.00005, kPacingMinMargin, kPacingMaxMargin);
}

// Sleeps until the clock reads about wake_at (never later on purpose) and learns from the result.
void sleep_until(double wake_at) {
  // Counts of the high-resolution counter; the clock is count * clock_inv_freq.
  double count = std::floor(wake_at / clock_inv_freq);
  if (!(count > 0 && count < 9.0e18)) return;
  host_sleep_until(int64_t(count));
  note_lateness(gfx_clock() - wake_at);
}

}  // namespace

double gfx_wait_until(double deadline, double limit) {
  double now = gfx_clock();
  if (!(now < deadline) || now >= limit) return now;
  if (gfx_clock == clock_perf && clock_inv_freq > 0) {
    double wake_at = std::min(deadline, limit) - pacing_spin_margin;
    if (wake_at > now) sleep_until(wake_at);
  }
  for (;;) {
    now = gfx_clock();
    if (!(now < deadline) || now >= limit) return now;
  }
}

namespace {
double frame_moment = NAN;  // the moment the frame being drawn is due to end; NaN before the first
}  // namespace

double gfx_frame_end(double fps) {
  double now = gfx_clock();
  if (!(fps > 0)) {
    frame_moment = NAN;
    return now;
  }
  double period = 1.0 / fps;
  // A first frame, a loop that fell behind, or a rate changed to a faster one start from now.
  if (!(frame_moment > now - period) || frame_moment - now > period) frame_moment = now;
  frame_moment += period;
  return gfx_wait_until(frame_moment, frame_moment);
}
