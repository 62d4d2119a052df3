// Fatal errors and the error log: every reported error ends the program through gfx_fatal, which
// appends a stamped line to "graphics_error.log" (in the current directory, or in the user's state
// folder for an installed program: see host_program_is_installed), shows a message box and shuts
// down. Also the date and time formatters the stamp is made with.
#pragma once

#include <stdint.h>

#include "../host/host_types.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

#define TIME_NOW (-9e99)  // a time value meaning "the current local time"

// A Windows FILETIME: a moment as two 32-bit halves.
typedef struct FileTime FileTime;
struct FileTime {
  uint32_t low, high;  // 100-ns intervals since 1601-01-01
};

// Logs message, shows it in a message box and ends the program with exit status 1 (gfx_exit), the
// display put back. With a fatal handler set, the handler is called after the log line instead of
// the box and the end. The library's state after a fatal error is undefined: only gfx_shutdown
// (or gfx_exit) may still be called.
VT_NORETURN VT_API void gfx_fatal(const char* message);

// What a program does with a fatal error, in place of the box and the exit: called with the
// message after its log line is written. It may end the program its own way or longjmp out of
// the failed call; if it returns, the program ends with status 1, without a box.
typedef void (*GfxFatalHandler)(const char* message);
// Sets the fatal handler (null: back to the box and the exit). From other languages, a callback
// taking one C string.
VT_API void gfx_set_fatal_handler(GfxFatalHandler handler);
// Appends message with the date and time to "graphics_error.log" in the current folder.
VT_API void gfx_log_error(const char* message);

enum { DATETIME_SIZE = 64 };   // default bound of format_datetime and format_filetime
enum { DATE_PART_SIZE = 20 };  // bound of format_date and format_time, terminator included

// Each writes into out and returns it. format_datetime and format_filetime write the stamp
// "yyyy-MMM-dd HH:mm:ss" (month abbreviated in the user's locale) within size bytes, cutting what
// does not fit; format_date and format_time write one part within DATE_PART_SIZE bytes (empty when
// it does not fit). TIME_NOW means the current local time; other times are shown in UTC.
VT_API char* format_datetime(double t, char* out, int size VT_DEFAULT(DATETIME_SIZE));
VT_API char* format_filetime(FileTime ft, char* out, int size VT_DEFAULT(DATETIME_SIZE));  // a FileTime
VT_API char* format_date(double t, char* out);  // "yyyy-MMM-dd"
VT_API char* format_time(double t, char* out);  // "HH:mm:ss"
VT_API FileTime unix_to_filetime(double t);     // seconds since 1970 to a FileTime
// Seconds since 1970 to calendar fields in UTC; 0 when the host cannot represent the time.
VT_API int unix_to_systemtime(double t, HostSystemTime* out);

VT_END_DECLS
