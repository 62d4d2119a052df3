// Dropped files on the POSIX hosts: a drop handle is a heap copy of the file's name, made by the
// backend when the window system reports the drop and released by host_drop_finish.
#pragma once

#include <cstdint>

uintptr_t posix_drop_make(const char* name);
