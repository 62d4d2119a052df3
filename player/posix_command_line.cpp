// Builds the command line of a POSIX start: program path and arguments quoted where the player's
// splitter needs it, relative file names made absolute against the starting directory, because
// player_main moves to the program's own folder before it opens anything.
#include "player/posix_command_line.h"


#include "player/command_line.h"

namespace {

// A plain argument runs to whitespace and keeps its quotes; one that is empty, holds whitespace or
// begins with a quote goes in quotes.
bool needs_quotes(const std::string& arg) {
  if (arg.empty() || arg[0] == '"') return true;
  for (char c : arg)
    if (is_arg_space(c)) return true;
  return false;
}

// Inside quotes the splitter reads 2n backslashes before a quote as n and the quote as the end,
// 2n + 1 as n and a quote of the text: double each run of backslashes that meets a quote (or the
// closing one) and escape the quote.
void append_quoted(std::string* line, const std::string& arg) {
  if (!needs_quotes(arg)) {
    *line += arg;
    return;
  }
  *line += '"';
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      slashes++;
    } else if (c == '"') {
      line->append(slashes + 1, '\\');
      slashes = 0;
    } else {
      slashes = 0;
    }
    *line += c;
  }
  line->append(slashes, '\\');
  *line += '"';
}

std::string absolute_arg(const std::string& arg, const std::string& start_dir,
                         const std::string& caption_dir) {
  if (arg.empty()) return arg;  // not a name: stays an empty file name
  if (arg[0] != '-') return posix_absolute_path(arg, start_dir);
  static const char caption_switch[] = "-captionfile:";
  const size_t prefix = sizeof caption_switch - 1;
  if (arg_has_prefix(arg.c_str(), caption_switch) && arg.size() > prefix)
    return arg.substr(0, prefix) + posix_absolute_path(arg.substr(prefix), caption_dir);
  return arg;
}

}  // namespace

std::string posix_absolute_path(const std::string& name, const std::string& start_dir) {
  if (name.empty() || name[0] == '/' || start_dir.empty()) return name;
  if (start_dir.back() == '/') return start_dir + name;
  return start_dir + "/" + name;
}

std::string posix_command_line(const char* exe_path, int arg_count, const char* const* args,
                               const std::string& start_dir, const std::string& caption_dir) {
  std::string line;
  append_quoted(&line, exe_path ? exe_path : "");
  const std::string& captions = caption_dir.empty() ? start_dir : caption_dir;
  for (int i = 0; i < arg_count; i++) {
    line += ' ';
    append_quoted(&line, absolute_arg(args[i] ? args[i] : "", start_dir, captions));
  }
  return line;
}
