// Process entry on POSIX: records the starting directory, builds the Windows-style command line
// from the real executable path and the arguments, and runs player_main on it.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gfx/shell_state.h"
#include "host/host.h"
#include "player/player.h"
#include "player/posix_command_line.h"

int main(int argc, char** argv) {
  char* cwd = getcwd(nullptr, 0);
  std::string start_dir = cwd ? cwd : "";
  free(cwd);
  host_set_start_directory(start_dir.c_str());

  // The program's folder comes from the real executable, not from how it was invoked.
  char* exe = realpath("/proc/self/exe", nullptr);
  std::string exe_path = exe ? exe : posix_absolute_path(argc > 0 ? argv[0] : "", start_dir);
  free(exe);

  std::string line =
      posix_command_line(exe_path.c_str(), argc > 1 ? argc - 1 : 0, argv + (argc > 0), start_dir);
  host_set_command_line(line.c_str());

  gfx_instance = host_instance();
  player_main(host_command_line());
  return 0;
}
