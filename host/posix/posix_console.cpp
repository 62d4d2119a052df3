// POSIX console: a process here always has standard streams, so opening the console does nothing
// and writing goes to standard output. Nothing closes the terminal when the program ends, so the
// help does not wait for a key (the wait keeps a fresh console window open on Windows).
#include "host/host.h"

#include <cstdio>

void host_console_open() {}

void host_console_write(const char* text, size_t length) {
  if (text && length) fwrite(text, 1, length, stdout);
  fflush(stdout);
}

void host_console_close() { fflush(stdout); }

int host_console_getchar() { return EOF; }
