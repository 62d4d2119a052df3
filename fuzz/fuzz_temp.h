// Shared by the fuzz targets that hand their input to code reading a file: a path of this process
// in /dev/shm, a file system in memory, when there is one, else in /tmp. Writing a file per input
// on a disk costs more than most parsers do; in memory it costs little.
#pragma once

#include <unistd.h>

#include <string>

// A path unique to this process, named after tag; the caller removes the file.
inline std::string fuzz_temp_path(const std::string& tag) {
  static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return folder + "/vantorel-" + tag + "-" + std::to_string(getpid());
}
