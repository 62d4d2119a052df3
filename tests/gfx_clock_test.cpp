// Clock: the source is chosen on the first call, readings never go back, and the 64-bit halves
// combine with an unsigned low half.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/clock.h"
#include "host/host.h"

TEST(Clock, FirstCallSelectsThePerformanceCounter) {
  EXPECT_EQ(gfx_clock, &clock_select);
  EXPECT_EQ(clock_inv_freq, 0.0);
  double first = gfx_clock();
  EXPECT_EQ(gfx_clock, &clock_perf);  // the POSIX and Win32 hosts always have a counter
  int64_t frequency = 0;
  host_perf_frequency(&frequency);  // 10^9 on POSIX, the system's own rate on Win32
  EXPECT_DOUBLE_EQ(clock_inv_freq, 1.0 / double(frequency));
  EXPECT_GT(first, 0.0);
  double second = gfx_clock();
  EXPECT_GE(second, first);
  EXPECT_LT(second - first, 1.0);
  EXPECT_EQ(gfx_clock, &clock_perf);
}

TEST(Clock, CounterHalves) {
  EXPECT_EQ(counter_to_double(0xFFFFFFFFu, 0), 4294967295.0);
  EXPECT_EQ(counter_to_double(0, 1), 4294967296.0);
  EXPECT_EQ(counter_to_double(5, -1), -4294967291.0);
  EXPECT_EQ(counter_to_double(0x89ABCDEFu, 0x01234567), 81985529216486895.0);
}

TEST(Clock, TicksAreWholeMilliseconds) {
  double t = clock_ticks();
  double ms = t * 1000.0;
  EXPECT_NEAR(ms, std::round(ms), 1e-6);
  EXPECT_GE(clock_ticks(), t);
}
