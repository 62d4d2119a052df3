// Test helpers shared by the unit and end-to-end tests: temporary directories, running the real
// programs with captured output, reading and writing files and PNG images.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vt_test {

// Path of a built program (VANTOREL_BIN_DIR/name) and of a source file (VANTOREL_SOURCE_DIR/rel).
std::string bin_path(const std::string& name);
std::string source_path(const std::string& rel);

// Full path of a program found in PATH; a test failure naming scripts/install-deps.sh, and a path
// that does not exist, when it is not installed.
std::string installed_tool(const std::string& name);

// A fresh empty directory under the system's temporary folder, removed by the destructor.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path + "/" + name; }
};

struct RunResult {
  int exit_code = -1;     // exit status, or 128 + signal when killed
  std::string out, err;   // standard output and standard error
};

// Runs argv[0] with the arguments (no shell), in directory cwd (empty: the current one), with
// extra environment entries "NAME=value", standard input from stdin_text, killed after
// timeout_seconds.
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd = "",
                      const std::vector<std::string>& env = {}, const std::string& stdin_text = "",
                      int timeout_seconds = 60);

std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// 8-bit RGB image, rows top first.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  uint32_t pixel(int x, int y) const {  // 0xRRGGBB
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
};
bool read_png(const std::string& path, Image* out);   // any PNG, converted to 8-bit RGB
bool write_png(const std::string& path, const Image& image);

// A background program in its own process group, standard streams on /dev/null, with the extra
// environment entries ("NAME=value") and, when cwd is not empty, started in that folder.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
            const std::string& cwd = "");
// Exit status of pid (128 + signal when killed), or -1 when it has not ended within the time given.
int wait_exit(pid_t pid, double seconds);
void kill_group(pid_t pid);  // kills pid's whole group and reaps pid

}  // namespace vt_test
