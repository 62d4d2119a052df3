// Process entry in the browser: the page hands the switches and the file (already in the
// in-memory file system under /files) as arguments; they become the Windows-style command line
// as on POSIX, with /files as the starting folder and /vantorel as the program's own.
#include <string>

#include "gfx/shell_state.h"
#include "host/host.h"
#include "player/player.h"
#include "player/posix_command_line.h"

int main(int argc, char** argv) {
  const std::string start_dir = "/files";
  host_set_start_directory(start_dir.c_str());
  std::string line = posix_command_line("/vantorel/vantorel", argc > 1 ? argc - 1 : 0,
                                        argv + (argc > 0), start_dir);
  host_set_command_line(line.c_str());
  gfx_instance = host_instance();
  player_main(host_command_line());
  return 0;
}
