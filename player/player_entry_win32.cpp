// Process entry on Windows: stores the instance, records the starting folder and hands the
// command line to player_main with the program's real path first and relative file names made
// absolute, since player_main moves to the program's own folder before it opens anything.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "gfx/shell_state.h"
#include "host/host.h"
#include "player/command_line.h"
#include "player/player.h"

namespace {

std::string current_directory() {
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return "";
  std::string dir(size, '\0');
  DWORD length = GetCurrentDirectoryA(size, &dir[0]);
  dir.resize(length < size ? length : 0);
  return dir;
}

std::string module_path() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, &path[0], DWORD(path.size()));
    if (length == 0) return "";
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try again with room to spare
  }
}

// Resolved against the current directory, which is still the one the user started in. Names the
// system cannot resolve stay as they were typed.
std::string full_path(const std::string& name) {
  if (name.empty()) return name;
  DWORD size = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::string path(size, '\0');
  DWORD length = GetFullPathNameA(name.c_str(), size, &path[0], nullptr);
  if (length == 0 || length >= size) return name;
  path.resize(length);
  return path;
}

// The player's splitter has no escapes: an argument holding a blank is wrapped in quotes whole.
void append_quoted(std::string* line, const std::string& arg) {
  bool quote = arg.empty();
  for (char c : arg)
    if (is_arg_space(c)) quote = true;
  if (quote) *line += '"';
  *line += arg;
  if (quote) *line += '"';
}

std::string absolute_arg(const std::string& arg) {
  if (arg.empty()) return arg;
  if (arg[0] != '-') return full_path(arg);
  static const char caption_switch[] = "-captionfile:";
  const size_t prefix = sizeof caption_switch - 1;
  if (arg_has_prefix(arg.c_str(), caption_switch) && arg.size() > prefix)
    return arg.substr(0, prefix) + full_path(arg.substr(prefix));
  return arg;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  host_set_start_directory(current_directory().c_str());

  const char* cursor = GetCommandLineA();
  char* typed_program = next_arg(&cursor);
  std::string program = module_path();
  if (program.empty() && typed_program) program = full_path(typed_program);
  free(typed_program);

  std::string line;
  append_quoted(&line, program);
  while (char* arg = next_arg(&cursor)) {
    line += ' ';
    append_quoted(&line, absolute_arg(arg));
    free(arg);
  }
  host_set_command_line(line.c_str());

  gfx_instance = instance;
  player_main(host_command_line());
  return 0;
}
