// Process entry on POSIX: records the starting directory, builds the Windows-style command line
// from the real executable path and the arguments, and runs player_main on it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gfx/shell_state.h"
#include "host/host.h"
#include "player/command_line.h"
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

  // The player cuts a caption file's name at the first blank, so a start folder whose path holds
  // one is named for it through a descriptor kept open for the whole run (/proc/self/fd/N).
  std::string caption_dir;
  bool blank = false;
  for (char c : start_dir) blank = blank || is_arg_space(c);
  if (blank) {
    int fd = open(start_dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) caption_dir = "/proc/self/fd/" + std::to_string(fd);
  }

  std::string line = posix_command_line(exe_path.c_str(), argc > 1 ? argc - 1 : 0,
                                        argv + (argc > 0), start_dir, caption_dir);
  host_set_command_line(line.c_str());

  // The headless backend closes a script-less program's window after a few seconds of frames;
  // the player is ended by -once, its script or its keys, as always. (SDL ignores the variable.)
  setenv("VANTOREL_FRAMES", "0", 0);

  gfx_instance = host_instance();
  player_main(host_command_line());
  return 0;
}
