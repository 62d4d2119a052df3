// POSIX places of the user's files: whether the running program was installed under a prefix,
// and the user's state folder (XDG base directories) where such a program keeps its error log.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "host/host.h"

namespace {

std::string parent_of(const std::string& path) {
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos) return "";
  return cut == 0 ? "/" : path.substr(0, cut);
}

bool is_directory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p: every missing folder along path, private to the user as the XDG rules ask.
bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    std::string part = at == std::string::npos ? path : path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (at == std::string::npos) break;
  }
  return is_directory(path);
}

std::string home_directory() {
  const char* home = getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* user = getpwuid(getuid());
  return user && user->pw_dir && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

}  // namespace

int host_program_is_installed() {
  char* exe = realpath("/proc/self/exe", nullptr);
  if (!exe) return 0;
  std::string bin = parent_of(exe);
  free(exe);
  if (bin.empty()) return 0;
  size_t slash = bin.find_last_of('/');
  bool in_prefix = bin.compare(slash + 1, std::string::npos, "bin") == 0 &&
                   is_directory(parent_of(bin) + "/share/vantorel");
  return in_prefix || access(bin.c_str(), W_OK) != 0;
}

const char* host_user_state_directory() {
  static std::string dir;
  static bool looked = false;
  if (looked) return dir.c_str();
  looked = true;
  const char* state = getenv("XDG_STATE_HOME");
  std::string base = state && state[0] == '/' ? std::string(state) : "";
  if (base.empty()) {
    std::string home = home_directory();
    if (!home.empty()) base = (home == "/" ? "" : home) + "/.local/state";
  }
  if (base.empty()) return dir.c_str();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string made = (base == "/" ? "" : base) + "/vantorel";
  if (make_directories(made)) dir = made;
  return dir.c_str();
}
