// Fatal errors and the error log: every reported error ends the program through gfx_fatal, which
// appends a stamped line to "graphics_error.log", shows a message box and shuts down. Also the
// date and time formatters the stamp is made with.
#pragma once

#include <stdint.h>

#include "../host/host_types.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

#define TIME_NOW (-9e99)  // a time value meaning "the current local time"

typedef struct FileTime FileTime;
struct FileTime {
  uint32_t low, high;  // 100-ns intervals since 1601-01-01
};

VT_NORETURN VT_API void gfx_fatal(const char* message);
VT_API void gfx_log_error(const char* message);

enum { DATETIME_SIZE = 64 };   // default bound of format_datetime and format_filetime
enum { DATE_PART_SIZE = 20 };  // bound of format_date and format_time, terminator included

// Each writes into out and returns it. format_datetime and format_filetime write the stamp
// "yyyy-MMM-dd HH:mm:ss" (month abbreviated in the user's locale) within size bytes, cutting what
// does not fit; format_date and format_time write one part within DATE_PART_SIZE bytes (empty when
// it does not fit). TIME_NOW means the current local time; other times are shown in UTC.
VT_API char* format_datetime(double t, char* out, int size VT_DEFAULT(DATETIME_SIZE));
VT_API char* format_filetime(FileTime ft, char* out, int size VT_DEFAULT(DATETIME_SIZE));
VT_API char* format_date(double t, char* out);
VT_API char* format_time(double t, char* out);
VT_API FileTime unix_to_filetime(double t);
VT_API int unix_to_systemtime(double t, HostSystemTime* out);

VT_END_DECLS
