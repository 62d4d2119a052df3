// The Windows-style command line that a POSIX process entry hands to player_main: on POSIX the
// shell, not a file association, supplies the arguments, so they are quoted and made absolute
// here to reach player_main as a Windows shell would have given them.
#pragma once

#include <string>

// exe_path: the real executable path; args: the arguments after the program name; start_dir: the
// directory the user started in (absolute; empty when unknown, then names stay relative).
// File-name arguments (not beginning with "-") are made absolute against start_dir, the value of
// "-captionfile:" against caption_dir (start_dir when empty): the player cuts that value at the
// first whitespace, so a start folder whose path holds a blank needs another name there. Every
// argument, the program path too, is written so that the player's splitter gives it back
// exactly: as it is when it can stand plain, else in quotes with its quotes escaped.
std::string posix_command_line(const char* exe_path, int arg_count, const char* const* args,
                               const std::string& start_dir, const std::string& caption_dir = "");

// start_dir joined with name when name is relative (not beginning with "/"); name otherwise.
std::string posix_absolute_path(const std::string& name, const std::string& start_dir);
