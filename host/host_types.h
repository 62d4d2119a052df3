// The host types that the public headers name: the opaque window-system handles kept in the shell
// globals and the calendar record of the date formatters. The host services themselves
// (host/host.h) are the backends' business and not part of the library's interface.
#pragma once

#include <stdint.h>

// Opaque handles; null means "none".
typedef struct HostWindowRec* HostWindow;  // the window
typedef struct HostDCRec* HostDC;          // its device context
typedef struct HostGLRCRec* HostGLRC;      // its OpenGL context
typedef void* HostInstance;                // the program's module instance

// Calendar fields as the Win32 SYSTEMTIME holds them (month 1..12, day_of_week 0 = Sunday).
typedef struct HostSystemTime HostSystemTime;
struct HostSystemTime {
  uint16_t year, month, day_of_week, day, hour, minute, second, milliseconds;
};
