// The Win32 counters and dates: the performance counter runs forwards, sleeping until a reading
// never returns before it, file times convert to calendar fields, and the locale's date and time pictures honour the buffer
// size contract (0 and an empty string when the text does not fit).
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "host/host.h"

namespace {

TEST(HostWin32Time, CountersRunForwards) {
  int64_t frequency = 0, first = 0, second = 0;
  ASSERT_TRUE(host_perf_frequency(&frequency));
  EXPECT_GT(frequency, 0);
  ASSERT_TRUE(host_perf_counter(&first));
  uint32_t tick = host_tick_count();
  while (host_tick_count() - tick < 20) {
  }
  ASSERT_TRUE(host_perf_counter(&second));
  EXPECT_GT(second, first);
}

TEST(HostWin32Time, SleepUntilNeverWakesBeforeTheDeadline) {
  int64_t frequency = 0, start = 0, now = 0;
  ASSERT_TRUE(host_perf_frequency(&frequency));
  ASSERT_TRUE(host_perf_counter(&start));
  for (int divisor : {50, 333, 2000}) {
    int64_t deadline = start + frequency / divisor;
    host_sleep_until(deadline);
    ASSERT_TRUE(host_perf_counter(&now));
    EXPECT_GE(now, deadline) << "1/" << divisor << " s";
    start = now;
  }
  host_sleep_until(0);  // long past: returns at once
}

TEST(HostWin32Time, FileTimesAndPictures) {
  // 2001-09-09 01:46:40.123 UTC.
  uint64_t ft = (11644473600ULL + 1000000000ULL) * 10000000ULL + 1230000ULL;
  HostSystemTime t{};
  ASSERT_TRUE(host_filetime_to_systemtime(uint32_t(ft), uint32_t(ft >> 32), &t));
  EXPECT_EQ(t.year, 2001);
  EXPECT_EQ(t.month, 9);
  EXPECT_EQ(t.day, 9);
  EXPECT_EQ(t.day_of_week, 0);
  EXPECT_EQ(t.hour, 1);
  EXPECT_EQ(t.minute, 46);
  EXPECT_EQ(t.second, 40);
  EXPECT_EQ(t.milliseconds, 123);
  EXPECT_FALSE(host_filetime_to_systemtime(0xFFFFFFFFu, 0xFFFFFFFFu, &t));
  ASSERT_TRUE(host_filetime_to_systemtime(uint32_t(ft), uint32_t(ft >> 32), &t));

  char date[32];
  int n = host_format_date(&t, 0, "yyyy-MMM-dd", date, sizeof date);
  ASSERT_EQ(n, int(strlen(date)) + 1);
  std::string d = date;
  ASSERT_GE(d.size(), 10u);
  EXPECT_EQ(d.substr(0, 5), "2001-");
  EXPECT_EQ(d.substr(d.size() - 3), "-09");
  EXPECT_TRUE(isalpha(static_cast<unsigned char>(d[5])));  // the month's name, not its number

  char time[32];
  ASSERT_EQ(host_format_time(&t, HOST_TIME_FORCE24HOURFORMAT, "HH:mm:ss", time, sizeof time), 9);
  EXPECT_STREQ(time, "01:46:40");

  char small[4] = "xyz";
  EXPECT_EQ(host_format_time(&t, HOST_TIME_FORCE24HOURFORMAT, "HH:mm:ss", small, sizeof small), 0);
  EXPECT_STREQ(small, "");
}

}  // namespace
