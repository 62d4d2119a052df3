// Fuzz target for the player's command line: the splitter, the program's folder, the switch
// parser and the title on arbitrary bytes, and the POSIX entry's round trip: an argument vector of
// arbitrary bytes (quotes and backslashes included) built into a line and split back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "player/command_line.h"
#include "player/posix_command_line.h"

namespace {

void check(bool ok) {
  if (!ok) abort();
}

void fuzz_line(const std::string& line) {
  const char* text = line.c_str();
  int count = count_args(text);
  char* dir = exe_dir(text);
  check(strlen(dir) <= line.size());
  free(dir);

  PlayerOptions options;
  player_default_options(&options);
  const char* cursor = text;
  int seen = 0;
  while (char* arg = next_arg(&cursor)) {
    if (seen == 0 || seen == count - 1) {
      char* same = get_arg(text, seen);
      check(same && strcmp(same, arg) == 0);
      free(same);
    }
    player_examine_arg(&options, arg);
    char title[PLAYER_TEXT_SIZE];
    player_make_title(title, sizeof title, arg);
    check(strlen(title) < sizeof title);
    free(arg);
    seen++;
  }
  check(seen == count);
  check(get_arg(text, count) == nullptr);
  free(options.file_name);
  free(options.caption_path);
}

// Arguments separated by NUL bytes; the first is the program path.
void fuzz_posix(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; i++) {
    if (data[i] == 0)
      parts.emplace_back();
    else
      parts.back() += char(data[i]);
  }
  std::vector<const char*> args;
  for (size_t i = 1; i < parts.size(); i++) args.push_back(parts[i].c_str());
  const std::string start = "/start dir", captions = "/caption \"dir\\";
  std::string line =
      posix_command_line(parts[0].c_str(), int(args.size()), args.data(), start, captions);
  const char* cursor = line.c_str();
  for (size_t i = 0; i < parts.size(); i++) {
    char* arg = next_arg(&cursor);
    check(arg != nullptr);
    std::string expected = parts[i];
    if (i > 0 && !expected.empty()) {
      if (expected[0] != '-')
        expected = posix_absolute_path(expected, start);
      else if (arg_has_prefix(expected.c_str(), "-captionfile:") && expected.size() > 13)
        expected = expected.substr(0, 13) + posix_absolute_path(expected.substr(13), captions);
    }
    check(expected == arg);
    free(arg);
  }
  check(next_arg(&cursor) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_line(std::string(reinterpret_cast<const char*>(data), size).c_str());
  fuzz_posix(data, size);
  return 0;
}
