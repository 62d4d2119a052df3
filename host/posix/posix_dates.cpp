// POSIX dates: file times to calendar fields in UTC, and the locale-aware date and time pictures.
// Month names come from the user's LC_TIME locale (newlocale with ""), falling back to "C".
#include "host/host.h"

#include <clocale>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <string>

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600LL;

locale_t user_time_locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_TIME_MASK, "", (locale_t)0);
    if (!l) l = newlocale(LC_TIME_MASK, "C", (locale_t)0);
    return l;
  }();
  return loc;
}

void to_tm(const HostSystemTime* t, struct tm* out) {
  if (!t) {
    time_t now = time(nullptr);
    localtime_r(&now, out);
    return;
  }
  memset(out, 0, sizeof *out);
  out->tm_year = t->year - 1900;
  out->tm_mon = t->month - 1;
  out->tm_mday = t->day;
  out->tm_wday = t->day_of_week;
  out->tm_hour = t->hour;
  out->tm_min = t->minute;
  out->tm_sec = t->second;
}

void append_number(std::string& s, int value, int digits) {
  char buf[16];
  snprintf(buf, sizeof buf, "%0*d", digits, value);
  s += buf;
}

// Expands the picture letters the shell uses; other characters are copied. Runs of a letter are
// taken greedily ("yyyy", "MMM", "dd", "HH", "mm", "ss"); shorter runs give unpadded numbers.
std::string expand(const struct tm& tm, const char* picture) {
  std::string s;
  for (const char* p = picture; p && *p;) {
    char c = *p;
    size_t run = 1;
    while (p[run] == c) run++;
    switch (c) {
      case 'y':
        if (run >= 4) append_number(s, tm.tm_year + 1900, 4);
        else append_number(s, (tm.tm_year + 1900) % 100, run >= 2 ? 2 : 1);
        break;
      case 'M':
        if (run >= 3) {
          char name[64];
          size_t n = strftime_l(name, sizeof name, run >= 4 ? "%B" : "%b", &tm, user_time_locale());
          s.append(name, n);
        } else {
          append_number(s, tm.tm_mon + 1, int(run));
        }
        break;
      case 'd': append_number(s, tm.tm_mday, run >= 2 ? 2 : 1); break;
      case 'H': append_number(s, tm.tm_hour, run >= 2 ? 2 : 1); break;
      case 'h': append_number(s, (tm.tm_hour + 11) % 12 + 1, run >= 2 ? 2 : 1); break;
      case 'm': append_number(s, tm.tm_min, run >= 2 ? 2 : 1); break;
      case 's': append_number(s, tm.tm_sec, run >= 2 ? 2 : 1); break;
      default: s.append(p, run); break;
    }
    p += run;
  }
  return s;
}

int copy_out(const std::string& s, char* out, int size) {
  if (!out || size <= 0) return 0;
  if (int(s.size()) + 1 > size) {
    out[0] = 0;
    return 0;
  }
  memcpy(out, s.c_str(), s.size() + 1);
  return int(s.size()) + 1;
}

}  // namespace

int host_filetime_to_systemtime(uint32_t low, uint32_t high, HostSystemTime* out) {
  if (!out) return 0;
  uint64_t ft = (uint64_t(high) << 32) | low;
  // Win32 refuses file times at or above 2^63.
  if (ft >> 63) return 0;
  int64_t seconds = int64_t(ft / 10000000) - kEpochDelta;
  time_t t = time_t(seconds);
  struct tm tm;
  if (!gmtime_r(&t, &tm)) return 0;
  out->year = uint16_t(tm.tm_year + 1900);
  out->month = uint16_t(tm.tm_mon + 1);
  out->day_of_week = uint16_t(tm.tm_wday);
  out->day = uint16_t(tm.tm_mday);
  out->hour = uint16_t(tm.tm_hour);
  out->minute = uint16_t(tm.tm_min);
  out->second = uint16_t(tm.tm_sec);
  out->milliseconds = uint16_t((ft / 10000) % 1000);
  return 1;
}

int host_format_date(const HostSystemTime* time, unsigned, const char* picture, char* out,
                     int size) {
  struct tm tm;
  to_tm(time, &tm);
  return copy_out(expand(tm, picture), out, size);
}

int host_format_time(const HostSystemTime* time, unsigned, const char* picture, char* out,
                     int size) {
  struct tm tm;
  to_tm(time, &tm);
  return copy_out(expand(tm, picture), out, size);
}
