// The running program's own name (its executable's base name without ".exe"), which starts the
// lines the Win32 backend writes on standard error, as a command-line tool's messages do.
#pragma once

#include <windows.h>

#include <cstring>

inline const char* win32_program_name() {
  static char name[MAX_PATH] = "";
  if (!name[0]) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "program";
    const char* base = path;
    for (const char* p = path; *p; p++)
      if (*p == '\\' || *p == '/') base = p + 1;
    size_t len = strlen(base);  // shorter than path, so it fits
    memcpy(name, base, len + 1);
    if (len > 4 && _stricmp(name + len - 4, ".exe") == 0) name[len - 4] = '\0';
  }
  return name;
}
