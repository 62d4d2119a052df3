// POSIX counters: the monotonic clock in nanoseconds stands in for the performance counter, and its
// milliseconds for the tick count.
#include "host/host.h"

#include <ctime>

namespace {
int64_t monotonic_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
}  // namespace

int host_perf_frequency(int64_t* frequency) {
  if (frequency) *frequency = 1000000000;
  return 1;
}

int host_perf_counter(int64_t* count) {
  if (count) *count = monotonic_ns();
  return 1;
}

uint32_t host_tick_count() { return uint32_t(monotonic_ns() / 1000000); }
