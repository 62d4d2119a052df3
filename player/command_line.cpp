// The player's command line: the splitter, the program's folder, the switch table, the help text
// and the window title. The splitter's rules are the player's own (quotes open only at the start
// of an argument), so arguments are taken exactly as a Windows command line gives them; the one
// escape, backslashes before a quote inside quotes, lets any argument at all be passed quoted.
#include "player/command_line.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "gfx/shell_state.h"
#include "host/host.h"
#include "support/util.h"

const char PLAYER_HELP_TEXT[] =
    "\n"
    "vantorel [switches] input_file.anim\n"
    "\n"
    "-fullscreen\tPlay fullscreen (otherwise windowed)\n"
    "-once\tPlay only once and quit (otherwise loop)\n"
    "-paused\tStart paused (press P to play))\n"
    "-res:nxm\tSet resolution of window or screen to n by m\n"
    "-fps:n\tPlay at n frames per second\n"
    "-fms:n\tPlay with frames lasting n milliseconds\n"
    "-delay:n\tPause for n seconds on first frame (for slow screens)\n"
    "-showframenums\tShow frame numbers\n"
    "-captionfile:file.txt\tUse caption file (advanced)\n"
    "-?,-help\tShow this help\n"
    "\n"
    "Interactive keys:\n"
    "Keypad +/- or X/Z\tIncrease/Decrease frame rate\n"
    "P\tToggle pause\n"
    "R\tRestart animation\n"
    "F\tToggle frame numbers\n"
    "Q or Escape\tQuit\n";

const char PLAYER_ERROR_CAPTION[] = "Vantorel Error";

const char PLAYER_NO_FILE_TEXT[] =
    "No file specified!  You must give a filename at the commandline, or drag .anim files onto "
    "vantorel.exe or associate .anim files to open with Vantorel.  Run 'vantorel -?' to see "
    "commandline usage.";

namespace {

char* copy_text(const char* text, size_t length) {
  char* copy = static_cast<char*>(malloc(length + 1));
  if (!copy) abort();
  memcpy(copy, text, length);
  copy[length] = 0;
  return copy;
}

// Inside quotes, a run of n backslashes right before a quote stands for n / 2 backslashes; when n
// is odd the quote is part of the text, else it closes. Other backslashes are plain characters.
// Without this no argument holding both a blank and a quote could be passed at all (a name from
// a POSIX shell may hold anything). Gives the end of the quoted text (the closing quote or the
// line's end) and, when out is given, writes the text there; returns the text's length.
size_t quoted_text(const char* p, const char** end, char* out) {
  size_t length = 0;
  for (;;) {
    size_t slashes = 0;
    while (p[slashes] == '\\') slashes++;
    if (p[slashes] == '"') {
      if (out) memset(out + length, '\\', slashes / 2);
      length += slashes / 2;
      p += slashes;
      if (slashes % 2 == 0) break;
      if (out) out[length] = '"';
      length++;
      p++;
    } else if (slashes) {
      if (out) memset(out + length, '\\', slashes);
      length += slashes;
      p += slashes;
    } else if (*p) {
      if (out) out[length] = *p;
      length++;
      p++;
    } else {
      break;
    }
  }
  *end = p;
  return length;
}

// Finds the argument at or after p. Returns false at the end of the line; otherwise gives where
// its text starts (after an opening quote), whether it is quoted, its length in the line (plain)
// and where scanning resumes.
bool scan_arg(const char* p, const char** text, size_t* length, const char** next,
              bool* quoted = nullptr) {
  while (*p && is_arg_space(*p)) p++;
  if (!*p) return false;
  if (quoted) *quoted = *p == '"';
  if (*p == '"') {
    // Quoted: everything up to the closing quote, whitespace included; unterminated runs to the
    // end. Scanning resumes after the closing quote, so a character right after it starts a new
    // argument.
    const char* start = ++p;
    *length = quoted_text(start, &p, nullptr);
    *text = start;
    *next = *p ? p + 1 : p;
  } else {
    // Plain: up to whitespace; a double quote inside is an ordinary character.
    const char* start = p;
    while (*p && !is_arg_space(*p)) p++;
    *text = start;
    *length = size_t(p - start);
    *next = p;
  }
  return true;
}

bool whole_switch(const char* arg, const char* name) {
  for (; *arg && *name; arg++, name++)
    if (char_lower(*arg) != char_lower(*name)) return false;
  return *arg == 0 && *name == 0;
}

// One "%d" conversion as sscanf does it: optional whitespace, sign, digits. Values beyond the int
// range saturate.
bool scan_int(const char** p, int* out) {
  const char* q = *p;
  while (is_arg_space(*q)) q++;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  if (*q < '0' || *q > '9') return false;
  long long value = 0;
  for (; *q >= '0' && *q <= '9'; q++)
    if (value <= LLONG_MAX / 100) value = value * 10 + (*q - '0');
  if (negative) value = -value;
  *out = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : int(value);
  *p = q;
  return true;
}

// "%dx%d": stores what converts, stopping at the first failure.
void scan_resolution(const char* text) {
  if (!scan_int(&text, &screen_w)) return;
  if (*text != 'x') return;
  text++;
  scan_int(&text, &screen_h);
}

}  // namespace

bool is_arg_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char* exe_dir(const char* command_line) {
  size_t end = 0;
  bool inside = false;
  for (; command_line[end]; end++) {
    if (command_line[end] == '"')
      inside = !inside;
    else if (command_line[end] == ' ' && !inside)
      break;
  }
  const char* path = command_line;
  if (end >= 2 && path[0] == '"' && path[end - 1] == '"') {
    path++;
    end -= 2;
  }
  // The separator itself goes; one at the very first character does not count.
  size_t cut = 0;
  for (size_t i = end; i-- > 1;) {
    if (path[i] == '\\' || path[i] == '/') {
      cut = i;
      break;
    }
  }
  return copy_text(path, cut);
}

void chdir_to_exe(const char* command_line) {
  char* dir = exe_dir(command_line);
  host_set_current_directory(dir);
  free(dir);
}

int count_args(const char* command_line) {
  int count = 0;
  const char* text;
  size_t length;
  const char* p = command_line;
  while (scan_arg(p, &text, &length, &p)) count++;
  return count;
}

namespace {
char* copy_arg(const char* text, size_t length, bool quoted) {
  if (!quoted) return copy_text(text, length);
  char* copy = static_cast<char*>(malloc(length + 1));
  if (!copy) abort();
  const char* end;
  quoted_text(text, &end, copy);
  copy[length] = 0;
  return copy;
}
}  // namespace

char* next_arg(const char** cursor) {
  const char* text;
  size_t length;
  bool quoted;
  if (!scan_arg(*cursor, &text, &length, cursor, &quoted)) return nullptr;
  return copy_arg(text, length, quoted);
}

char* get_arg(const char* command_line, int n) {
  if (n < 0) return nullptr;
  const char* text;
  size_t length;
  bool quoted;
  const char* p = command_line;
  for (int i = 0; scan_arg(p, &text, &length, &p, &quoted); i++)
    if (i == n) return copy_arg(text, length, quoted);
  return nullptr;
}

bool arg_has_prefix(const char* arg, const char* prefix) {
  for (; *prefix; arg++, prefix++)
    if (char_lower(*arg) != char_lower(*prefix)) return false;  // also stops at arg's end
  return true;
}

void player_default_options(PlayerOptions* options) {
  options->file_name = nullptr;
  options->frame_ms = 40.0f;
  options->play_once = false;
  options->paused = false;
  options->show_frame_numbers = false;
  options->caption_path = nullptr;
  options->first_frame_delay = 0.0f;
  screen_w = 0;
  screen_h = 0;
  windowed = 1;
}

ArgAction player_examine_arg(PlayerOptions* options, const char* arg) {
  if (arg[0] != '-') {
    string_set(&options->file_name, arg);
    return ARG_CONTINUE;
  }
  if (arg_has_prefix(arg, "-fms:")) options->frame_ms = float(atof(arg + 5));
  if (arg_has_prefix(arg, "-fps:")) options->frame_ms = float(1000.0 / atof(arg + 5));
  if (whole_switch(arg, "-once")) options->play_once = true;
  if (whole_switch(arg, "-fullscreen")) windowed = 0;
  if (whole_switch(arg, "-paused")) options->paused = true;
  if (whole_switch(arg, "-showframenums")) options->show_frame_numbers = true;
  if (arg_has_prefix(arg, "-captionfile:")) {
    const char* name = arg + 13;
    size_t length = 0;
    while (name[length] && !is_arg_space(name[length])) length++;
    char* copy = copy_text(name, length);
    string_set(&options->caption_path, copy);
    free(copy);
  }
  if (arg_has_prefix(arg, "-delay:")) options->first_frame_delay = float(atof(arg + 7));
  if (arg_has_prefix(arg, "-res:")) scan_resolution(arg + 5);
  if (whole_switch(arg, "-?") || whole_switch(arg, "-help")) return ARG_SHOW_HELP;
  return ARG_CONTINUE;
}

void show_help() {
  host_console_open();
  host_console_write(PLAYER_HELP_TEXT, sizeof PLAYER_HELP_TEXT - 1);
  host_console_close();
  host_console_getchar();
}

const char* player_base_name(const char* file_name) {
  const char* slash = strrchr(file_name, '\\');
  return slash ? slash + 1 : file_name;
}

void player_make_title(char* text, size_t size, const char* file_name) {
  static const char prefix[] = "Vantorel - ";
  static const char ellipsis[] = "...";
  if (size == 0) return;
  const char* base = player_base_name(file_name);
  size_t base_len = strlen(base);
  size_t prefix_len = sizeof prefix - 1, ellipsis_len = sizeof ellipsis - 1;
  if (prefix_len + base_len < size) {
    memcpy(text, prefix, prefix_len);
    memcpy(text + prefix_len, base, base_len + 1);
    return;
  }
  if (size <= prefix_len + ellipsis_len + 1) {  // too small for the cut form: plain truncation
    size_t n = size - 1 < prefix_len ? size - 1 : prefix_len;
    memcpy(text, prefix, n);
    text[n] = 0;
    return;
  }
  // Keep the end of the name, where the file's own name is; start on a character boundary
  // (skip UTF-8 continuation bytes) so the title stays valid text.
  size_t room = size - 1 - prefix_len - ellipsis_len;
  const char* tail = base + base_len - room;
  while (*tail && (static_cast<unsigned char>(*tail) & 0xC0) == 0x80) tail++;
  char* out = text;
  memcpy(out, prefix, prefix_len);
  out += prefix_len;
  memcpy(out, ellipsis, ellipsis_len);
  out += ellipsis_len;
  memcpy(out, tail, strlen(tail) + 1);
}
