// The Windows-style command line that a POSIX process entry hands to player_main: on POSIX the
// shell, not a file association, supplies the arguments, so they are quoted and made absolute
// here to reach player_main as a Windows shell would have given them.
#pragma once

#include <string>

// exe_path: the real executable path; args: the arguments after the program name; start_dir: the
// directory the user started in (absolute; empty when unknown, then names stay relative).
// Every argument that is empty or contains whitespace is wrapped in double quotes; file-name
// arguments (not beginning with "-") and the value of "-captionfile:" are made absolute against
// start_dir. The program path is quoted by the same rule.
std::string posix_command_line(const char* exe_path, int arg_count, const char* const* args,
                               const std::string& start_dir);

// start_dir joined with name when name is relative (not beginning with "/"); name otherwise.
std::string posix_absolute_path(const std::string& name, const std::string& start_dir);
