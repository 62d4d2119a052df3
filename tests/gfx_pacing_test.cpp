// Sleep-then-spin waits: never over before the deadline (however the sleeps fall), the limit cuts a
// long wait short, and a clock that is not the host's counter is waited on without sleeping.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/clock.h"
#include "gfx/pacing.h"

TEST(Pacing, NeverEndsBeforeTheDeadlineAndTheLimitCutsLongWaits) {
  for (int i = 0; i < 40; i++) {
    double deadline = gfx_clock() + 0.0001 * (i % 25);
    double ended = gfx_wait_until(deadline, deadline + 1.0);
    EXPECT_GE(ended, deadline);
    EXPECT_GE(gfx_clock(), deadline);
  }
  double start = gfx_clock();
  double ended = gfx_wait_until(start + 3600.0, start + 0.01);
  EXPECT_GE(ended, start + 0.01);
  EXPECT_LT(ended, start + 3600.0);
  EXPECT_EQ(gfx_wait_until(NAN, start + 1.0) >= start, true);  // at once, with a real reading
}

namespace {
double fake_now = 0;
double fake_clock() { return fake_now += 1.0; }  // a "second" passes at every reading
}  // namespace

TEST(Pacing, OtherClocksAreBusyWaited) {
  gfx_clock();  // selects the real source, which the test puts back afterwards
  double (*real)() = gfx_clock;
  gfx_clock = fake_clock;
  fake_now = 0;
  EXPECT_EQ(gfx_wait_until(5.0, 100.0), 5.0);  // readings 1, 2, ... until 5: nothing skipped
  EXPECT_EQ(gfx_wait_until(1e9, fake_now + 3.0), 8.0);
  gfx_clock = real;
}

TEST(Pacing, FrameEndKeepsTheRateFromTheFirstFrameAndStartsAfreshWhenBehind) {
  gfx_clock();
  double (*real)() = gfx_clock;
  gfx_clock = fake_clock;
  fake_now = 100;
  EXPECT_EQ(gfx_frame_end(0.25), 105.0);  // read 101: due at 105
  fake_now += 1;                          // a frame that took a "second" to draw
  EXPECT_EQ(gfx_frame_end(0.25), 109.0);  // still due 4 after the last: the rate holds
  fake_now += 10;                         // more than a frame behind
  EXPECT_EQ(gfx_frame_end(0.25), 124.0);  // read 120: a fresh start, not three frames at once
  EXPECT_EQ(gfx_frame_end(0), 125.0);     // no rate: no wait
  gfx_clock = real;
}
