// The player: command line, start-up, playback loop and overlays.
#pragma once

// Runs the whole player on a Windows-style command line (program path first). Returns when the
// loop ends; other ends (help, missing file, -once, close, fatal) leave through exit.
void player_main(const char* command_line);
