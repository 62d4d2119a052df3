// The linked library's version, from the generated version header.
#include "vantorel/version.h"

const char* vantorel_version(void) { return VANTOREL_VERSION_STRING; }

int vantorel_version_number(void) { return VANTOREL_VERSION_NUMBER; }
