// Win32 counters and dates: QueryPerformanceCounter and GetTickCount for the clock, a waitable
// timer to sleep until a counter reading, FileTimeToSystemTime, and GetDateFormatA /
// GetTimeFormatA in the user's default locale.
#include <windows.h>

#include <cmath>

#include "host/host.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
SYSTEMTIME to_system_time(const HostSystemTime& t) {
  SYSTEMTIME s;
  s.wYear = t.year;
  s.wMonth = t.month;
  s.wDayOfWeek = t.day_of_week;
  s.wDay = t.day;
  s.wHour = t.hour;
  s.wMinute = t.minute;
  s.wSecond = t.second;
  s.wMilliseconds = t.milliseconds;
  return s;
}

// Both format calls leave the buffer unspecified when it is too small; the contract is an empty
// string then.
int finish_format(int written, char* out, int size) {
  if (written == 0 && out && size > 0) out[0] = 0;
  return written;
}
}  // namespace

// ---- Counters ----------------------------------------------------------------------------------

int host_perf_frequency(int64_t* frequency) {
  LARGE_INTEGER f;
  if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) {
    if (frequency) *frequency = 0;
    return 0;
  }
  if (frequency) *frequency = f.QuadPart;
  return 1;
}

int host_perf_counter(int64_t* count) {
  LARGE_INTEGER c;
  if (!QueryPerformanceCounter(&c)) return 0;
  if (count) *count = c.QuadPart;
  return 1;
}

uint32_t host_tick_count() { return GetTickCount(); }

namespace {
// A high-resolution timer where the system has one (Windows 10 1803 on); otherwise an ordinary
// one, whose waits end on the scheduler's tick. Null when neither can be made: then Sleep.
HANDLE sleep_timer() {
  static HANDLE timer = [] {
    HANDLE t = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
    if (!t) t = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    return t;
  }();
  return timer;
}
}  // namespace

void host_sleep_until(int64_t count) {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return;
  constexpr double kLongestWaitSeconds = 3600.0;  // a far deadline is slept towards in steps
  for (;;) {
    LARGE_INTEGER now;
    if (!QueryPerformanceCounter(&now) || now.QuadPart >= count) return;
    double seconds = double(count - now.QuadPart) / double(frequency.QuadPart);
    if (seconds > kLongestWaitSeconds) seconds = kLongestWaitSeconds;
    // Rounded up to the timer's unit, so that the wait never ends before the deadline.
    int64_t hundred_ns = int64_t(std::ceil(seconds * 1e7));
    HANDLE timer = sleep_timer();
    LARGE_INTEGER due;
    due.QuadPart = -hundred_ns;  // negative: relative to now
    if (timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
      WaitForSingleObject(timer, INFINITE);
    } else {
      Sleep(DWORD(std::ceil(seconds * 1000.0)));
    }
  }
}

// ---- Dates -------------------------------------------------------------------------------------

int host_filetime_to_systemtime(uint32_t low, uint32_t high, HostSystemTime* out) {
  if (!out) return 0;
  FILETIME ft;
  ft.dwLowDateTime = low;
  ft.dwHighDateTime = high;
  SYSTEMTIME s;
  if (!FileTimeToSystemTime(&ft, &s)) return 0;
  out->year = s.wYear;
  out->month = s.wMonth;
  out->day_of_week = s.wDayOfWeek;
  out->day = s.wDay;
  out->hour = s.wHour;
  out->minute = s.wMinute;
  out->second = s.wSecond;
  out->milliseconds = s.wMilliseconds;
  return 1;
}

int host_format_date(const HostSystemTime* time, unsigned flags, const char* picture, char* out,
                     int size) {
  if (!out || size <= 0) return 0;
  SYSTEMTIME s;
  if (time) s = to_system_time(*time);
  int written = GetDateFormatA(LOCALE_USER_DEFAULT, flags, time ? &s : nullptr, picture, out, size);
  return finish_format(written, out, size);
}

int host_format_time(const HostSystemTime* time, unsigned flags, const char* picture, char* out,
                     int size) {
  if (!out || size <= 0) return 0;
  SYSTEMTIME s;
  if (time) s = to_system_time(*time);
  int written = GetTimeFormatA(LOCALE_USER_DEFAULT, flags, time ? &s : nullptr, picture, out, size);
  return finish_format(written, out, size);
}
