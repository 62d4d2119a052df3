// Fatal errors and the error log: every reported error ends the program through gfx_fatal, which
// appends a stamped line to "graphics_error.log", shows a message box and shuts down. Also the
// date and time formatters the stamp is made with.
#pragma once

#include <cstdint>

#include "host/host.h"

constexpr double TIME_NOW = -9e99;  // a time value meaning "the current local time"

struct FileTime {
  uint32_t low, high;  // 100-ns intervals since 1601-01-01
};

[[noreturn]] void gfx_fatal(const char* message);
void gfx_log_error(const char* message);

// Each writes into out and returns it. format_datetime and format_filetime need 64 bytes at most
// ("yyyy-MMM-dd HH:mm:ss" with a long month name); format_date and format_time at most 20.
char* format_datetime(double t, char* out);
char* format_filetime(FileTime ft, char* out);
char* format_date(double t, char* out);
char* format_time(double t, char* out);
FileTime unix_to_filetime(double t);
int unix_to_systemtime(double t, HostSystemTime* out);
