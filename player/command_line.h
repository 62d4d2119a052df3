// The player's command line: splitting a Windows-style command line by the player's own quoting
// rules, the program's folder, the switches that fill PlayerOptions, the help text and the window
// title. Everything here returns to its caller; player_main decides when the process ends.
#pragma once

#include <cstddef>

#include "player/player.h"

extern const char PLAYER_HELP_TEXT[];       // the whole help, every line ending in a line feed
extern const char PLAYER_ERROR_CAPTION[];   // "Vantorel Error"
extern const char PLAYER_NO_FILE_TEXT[];    // the missing-file message

// Whitespace between arguments: space, tab, line feed, vertical tab, form feed, carriage return.
bool is_arg_space(char c);

// The program's folder: the program path (up to the first blank outside double quotes, enclosing
// quotes dropped) cut at its last backslash or slash. A new heap string, possibly empty.
char* exe_dir(const char* command_line);
// Makes exe_dir of the command line the current directory; failure is ignored.
void chdir_to_exe(const char* command_line);

// Number of arguments, the program path included.
int count_args(const char* command_line);
// Argument n (0 is the program path) as a new heap string without its quotes; null when there
// are not more than n arguments.
char* get_arg(const char* command_line, int n);
// The same arguments one after another: *cursor starts at the command line and is advanced past
// each argument returned; null at the end. Linear in the line's length, unlike repeated get_arg.
char* next_arg(const char** cursor);

// Case-insensitive (ASCII) prefix test, as the prefix switches match.
bool arg_has_prefix(const char* arg, const char* prefix);

// The defaults of PlayerOptions, and the shell globals screen_w = screen_h = 0, windowed = 1.
void player_default_options(PlayerOptions* options);

enum ArgAction { ARG_CONTINUE, ARG_SHOW_HELP, ARG_SHOW_VERSION };
// Examines one argument: a file name, or every switch it matches, in table order. Returns
// ARG_SHOW_HELP for "-?", "-help", "--help" and "-h", ARG_SHOW_VERSION for "--version"; the caller
// then shows the text and exits.
ArgAction player_examine_arg(PlayerOptions* options, const char* arg);

// Writes the help to the console and waits for one character from standard input (hosts whose
// console stays open return at once).
void show_help();
// Writes "vantorel VERSION" and a line feed to the console.
void show_version();

// The part of the file name after its last folder separator (the whole name without one): a
// backslash, and on POSIX hosts a slash too.
const char* player_base_name(const char* file_name);
// "Vantorel - " and the base name into text (size bytes with the terminator). A base name too
// long to fit keeps its end, after "...", cut at a character boundary.
void player_make_title(char* text, size_t size, const char* file_name);
