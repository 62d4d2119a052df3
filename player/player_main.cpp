// player_main, first half of the start-up: the program's folder becomes the current directory,
// the switches fill PlayerOptions, a missing file name ends the run with a message box, and the
// window title is built before player_run takes over with the window and the playback loop.
#include <cstdlib>

#include "host/host.h"
#include "player/command_line.h"
#include "player/player.h"

namespace {
// Owned by player_main for the whole run; kept in static storage so that the ends through exit
// leave it reachable.
PlayerOptions options;
char title[PLAYER_TEXT_SIZE];
}  // namespace

void player_main(const char* command_line) {
  chdir_to_exe(command_line);
  player_default_options(&options);

  // Arguments 1 .. count-1, in order; the cursor walk gives exactly get_arg(n) for each n.
  int count = count_args(command_line);
  const char* cursor = command_line;
  free(next_arg(&cursor));  // the program path
  for (int n = 1; n < count; n++) {
    char* arg = next_arg(&cursor);
    ArgAction action = player_examine_arg(&options, arg);
    free(arg);
    if (action == ARG_SHOW_HELP) {
      show_help();
      exit(0);
    }
    if (action == ARG_SHOW_VERSION) {
      show_version();
      exit(0);
    }
  }

  // Checked only after every switch, so "-?" anywhere wins over a missing file name.
  if (!options.file_name) {
    host_message_box(PLAYER_ERROR_CAPTION, PLAYER_NO_FILE_TEXT, HOST_MB_OK | HOST_MB_ICONERROR);
    exit(1);
  }

  player_make_title(title, sizeof title, options.file_name);
  player_run(&options, title);
}
