// Drop handles shared by the POSIX hosts: the WM_DROPFILES message carries a heap copy of the
// dropped file's name, read by host_drop_file_name and freed by host_drop_finish.
#include "host/posix/posix_drop.h"

#include <cstring>
#include <string>

#include "host/host.h"

uintptr_t posix_drop_make(const char* name) {
  return reinterpret_cast<uintptr_t>(new std::string(name ? name : ""));
}

int host_drop_file_name(uintptr_t drop, char* out, int size) {
  const std::string* name = reinterpret_cast<const std::string*>(drop);
  if (!name) return 0;
  if (out && size > 0) {
    size_t n = name->size() < size_t(size - 1) ? name->size() : size_t(size - 1);
    memcpy(out, name->data(), n);
    out[n] = 0;
  }
  return int(name->size());
}

void host_drop_finish(uintptr_t drop) { delete reinterpret_cast<std::string*>(drop); }
