// POSIX process services: the command line the entry built, the current and starting directories,
// and running a helper program without a shell. Shared by every POSIX backend.
#include "host/host.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
std::string g_command_line;
std::string g_start_directory;
int g_instance_tag;  // its address is the instance handle: unique and never null
}  // namespace

const char* host_command_line() { return g_command_line.c_str(); }
void host_set_command_line(const char* line) { g_command_line = line ? line : ""; }
HostInstance host_instance() { return &g_instance_tag; }

int host_set_current_directory(const char* path) {
  return path && chdir(path) == 0;
}

const char* host_start_directory() { return g_start_directory.c_str(); }
void host_set_start_directory(const char* dir) { g_start_directory = dir ? dir : ""; }

const char* host_path_separators() { return "/\\"; }

int host_run_program(const char* const argv[]) {
  if (!argv || !argv[0]) return -1;
  pid_t pid;
  // posix_spawnp takes char* const[]; it does not modify the strings.
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return -1;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
