// The file helpers of tests/util/test_util.h for the Windows test programs that run under wine:
// paths, temporary folders and whole-file reads and writes. Running programs and PNG files are
// not offered here; tests that need them stay on the POSIX build.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/test_util.h"

namespace vt_test {

std::string bin_path(const std::string& name) { return std::string(VANTOREL_BIN_DIR) + "/" + name; }
std::string source_path(const std::string& rel) {
  return std::string(VANTOREL_SOURCE_DIR) + "/" + rel;
}

TempDir::TempDir() {
  char base[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) return;
  // The process id and a counter make the name unique among the tests running side by side.
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; attempt++) {
    std::string candidate = std::string(base) + "vantorel-test-" +
                            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (!path.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vt_test
