// Win32 counters and dates: QueryPerformanceCounter and GetTickCount for the clock,
// FileTimeToSystemTime, and GetDateFormatA / GetTimeFormatA in the user's default locale.
#include <windows.h>

#include "host/host.h"

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
