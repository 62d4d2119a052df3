// Fatal errors and the error log: gfx_fatal appends one stamped line to "graphics_error.log" in the
// current directory (the program's own folder), or in the user's state folder when the program was
// installed and its folder is not the user's to write in; then it shows the "Oh sod it" box (or
// calls the program's handler) and ends through gfx_exit with status 1. The stamp and the other
// date formatters go through the host's locale-aware date and time pictures. Every formatter
// writes within its buffer's size, and a log that cannot be opened costs only the line, never the
// exit.
#include "gfx/error_log.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/shell_state.h"
#include "host/host.h"

namespace {

constexpr const char* kLogName = "graphics_error.log";
constexpr const char* kDatePicture = "yyyy-MMM-dd";
constexpr const char* kTimePicture = "HH:mm:ss";
constexpr int kPartSize = 100;                    // each of the date and time parts
constexpr double kEpochSeconds = 11644473600.0;   // 1601-01-01 to 1970-01-01
constexpr double kIntervalsPerSecond = 10000000.0;
constexpr double kTwoTo32 = 4294967296.0;

char log_stamp[DATETIME_SIZE];

// Calendar record for t, or null for the current local time. A time the host cannot represent
// leaves the parts empty rather than showing whatever the record held.
const HostSystemTime* calendar_for(double t, HostSystemTime* record, bool* ok) {
  *ok = true;
  if (t == TIME_NOW) return nullptr;
  memset(record, 0, sizeof *record);
  *ok = unix_to_systemtime(t, record) != 0;
  return record;
}

char* format_both(const HostSystemTime* time, bool ok, char* out, int size) {
  char date[kPartSize] = "";
  char clock[kPartSize] = "";
  if (ok) {
    host_format_date(time, 0, kDatePicture, date, kPartSize);
    host_format_time(time, HOST_TIME_FORCE24HOURFORMAT, kTimePicture, clock, kPartSize);
  }
  if (out && size > 0) snprintf(out, size_t(size), "%s %s", date, clock);
  return out;
}

// An installed program must not write beside itself (as root into /usr/bin, under Program Files
// into a folder of the system's); without a state folder the old place is the best left.
std::string log_path() {
  if (!host_program_is_installed()) return kLogName;
  const char* dir = host_user_state_directory();
  if (!dir || !dir[0]) return kLogName;
  return std::string(dir) + host_path_separators()[0] + kLogName;
}

}  // namespace

void gfx_log_error(const char* message) {
  FILE* log = fopen(log_path().c_str(), "at");
  // A read-only folder or a locked file loses the line; the caller's orderly end still follows.
  if (!log) return;
  format_datetime(TIME_NOW, log_stamp, DATETIME_SIZE);
  fprintf(log, "%s %s\n", log_stamp, message ? message : "");
  fclose(log);
}

namespace {
GfxFatalHandler fatal_handler = nullptr;
}  // namespace

void gfx_set_fatal_handler(GfxFatalHandler handler) { fatal_handler = handler; }

void gfx_fatal(const char* message) {
  const char* text = message ? message : "";
  gfx_log_error(text);
  if (fatal_handler) {
    fatal_handler(text);
  } else {
    host_message_box("Oh sod it", text, HOST_MB_OK | HOST_MB_ICONERROR | HOST_MB_SETFOREGROUND);
  }
  // A failure must not pass for success with scripts and CI: the status says it.
  gfx_exit(1);
}

char* format_datetime(double t, char* out, int size) {
  HostSystemTime record;
  bool ok;
  const HostSystemTime* time = calendar_for(t, &record, &ok);
  return format_both(time, ok, out, size);
}

char* format_filetime(FileTime ft, char* out, int size) {
  HostSystemTime record;
  memset(&record, 0, sizeof record);
  bool ok = host_filetime_to_systemtime(ft.low, ft.high, &record) != 0;
  return format_both(&record, ok, out, size);
}

char* format_date(double t, char* out) {
  HostSystemTime record;
  bool ok;
  const HostSystemTime* time = calendar_for(t, &record, &ok);
  if (!out) return out;
  out[0] = 0;
  if (ok) host_format_date(time, 0, kDatePicture, out, DATE_PART_SIZE);
  return out;
}

char* format_time(double t, char* out) {
  HostSystemTime record;
  bool ok;
  const HostSystemTime* time = calendar_for(t, &record, &ok);
  if (!out) return out;
  out[0] = 0;
  if (ok) host_format_time(time, HOST_TIME_FORCE24HOURFORMAT, kTimePicture, out, DATE_PART_SIZE);
  return out;
}

FileTime unix_to_filetime(double t) {
  double b = (t + kEpochSeconds) * kIntervalsPerSecond;
  // Outside 0 .. 2^64 the halves cannot hold the count; all bits set is a file time the host
  // refuses to convert, so such a time formats as empty instead of converting out of range.
  if (!(b >= 0.0) || b >= kTwoTo32 * kTwoTo32) return FileTime{0xFFFFFFFFu, 0xFFFFFFFFu};
  double high = std::floor(b / kTwoTo32);
  double low = std::floor(b - high * kTwoTo32);
  if (low < 0.0) low = 0.0;
  if (low >= kTwoTo32) low = kTwoTo32 - 1.0;
  return FileTime{uint32_t(low), uint32_t(high)};
}

int unix_to_systemtime(double t, HostSystemTime* out) {
  FileTime ft = unix_to_filetime(t);
  return host_filetime_to_systemtime(ft.low, ft.high, out);
}
