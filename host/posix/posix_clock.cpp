// POSIX counters: the monotonic clock in nanoseconds stands in for the performance counter, and its
// milliseconds for the tick count. Sleeps wait on the same clock with absolute deadlines, so a
// sleep cut short by a signal simply resumes towards the same moment.
#include "host/host.h"

#include <cerrno>
#include <ctime>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

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

void host_sleep_until(int64_t count) {
#if defined(__linux__)
  // Linux lets timers of ordinary threads fire up to 50 us late so that wake-ups can be batched;
  // one nanosecond of slack makes the sleep end when asked, which keeps the spin after it short.
  static bool slack_set = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  (void)slack_set;
#endif
  if (count <= 0) return;
  timespec ts;
  ts.tv_sec = time_t(count / 1000000000);
  ts.tv_nsec = long(count % 1000000000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}
