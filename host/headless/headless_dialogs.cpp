// Headless message box: one line "<caption>: <text>" on standard error, returned from at once.
#include "host/host.h"

#include <cstdio>

int host_message_box(const char* caption, const char* text, unsigned) {
  fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  fflush(stderr);
  return 1;  // IDOK
}
