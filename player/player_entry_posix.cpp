// Process entry on POSIX: placeholder until the command-line work lands.
#include "gfx/shell_state.h"
#include "player/player.h"

int main() {
  gfx_instance = host_instance();
  player_main(host_command_line());
  return 0;
}
