// The clock behind gfx_clock: chosen on the first call and never again. Readings cost one counter
// query and one multiplication, since the player calls the clock in a tight waiting loop.
#include "gfx/clock.h"

#include "host/host.h"

namespace {
constexpr double kTwoTo32 = 4294967296.0;
constexpr double kSecondsPerTick = 0.001;

// A 64-bit count as the host's large integer holds it: low half unsigned, high half signed.
double split_counter(int64_t value) {
  uint64_t bits = uint64_t(value);
  return counter_to_double(uint32_t(bits & 0xFFFFFFFFu), int32_t(uint32_t(bits >> 32)));
}
}  // namespace

double (*gfx_clock)() = clock_select;
double clock_inv_freq = 0.0;

double counter_to_double(uint32_t low, int32_t high) { return high * kTwoTo32 + low; }

double clock_select() {
  int64_t frequency = 0;
  if (host_perf_frequency(&frequency)) {
    clock_inv_freq = 1.0 / split_counter(frequency);
    gfx_clock = clock_perf;
  } else {
    gfx_clock = clock_ticks;
  }
  return gfx_clock();
}

double clock_perf() {
  int64_t count = 0;
  host_perf_counter(&count);
  return split_counter(count) * clock_inv_freq;
}

double clock_ticks() { return double(host_tick_count()) * kSecondsPerTick; }
