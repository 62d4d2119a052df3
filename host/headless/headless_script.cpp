// The headless input script: lines "<poll> <action> [args]" turned into actions ordered by poll.
// A "#" at the start of a word begins a comment that runs to the end of the line. Bad lines are
// reported with their number, never guessed at.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

#include "gfx/keys.h"
#include "host/headless/headless_host.h"

namespace {

std::vector<std::string> words_of(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    if (word[0] == '#') break;
    words.push_back(word);
  }
  return words;
}

// A whole-word integer, decimal or 0x hexadecimal, within [lo, hi].
bool parse_int(const std::string& word, long lo, long hi, int* out) {
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long value = strtol(word.c_str(), &end, 0);
  if (errno || *end || value < lo || value > hi) return false;
  *out = int(value);
  return true;
}

// Mouse buttons: a number of MK_* bits, or letters l, r, m.
bool parse_buttons(const std::string& word, int* out) {
  if (parse_int(word, 0, 0x13, out)) return true;
  int bits = 0;
  for (char c : word) {
    if (c == 'l') bits |= 0x01;
    else if (c == 'r') bits |= 0x02;
    else if (c == 'm') bits |= 0x10;
    else return false;
  }
  *out = bits;
  return !word.empty();
}

}  // namespace

int headless_key_code(const std::string& given) {
  std::string name = given;
  for (char& c : name) c = char(tolower(static_cast<unsigned char>(c)));
  if (name.size() == 1 && isalnum(static_cast<unsigned char>(name[0])))
    return toupper(static_cast<unsigned char>(name[0]));
  static const struct {
    const char* name;
    int code;
  } named[] = {
      {"esc", GFX_KEY_ESCAPE},
      {"add", GFX_KEY_KP_ADD},
      {"subtract", GFX_KEY_KP_SUBTRACT},
      {"alt", GFX_KEY_ALT},
      {"tab", GFX_KEY_TAB},
      {"space", GFX_KEY_SPACE},
      {"enter", GFX_KEY_ENTER},
      {"left", GFX_KEY_LEFT},
      {"right", GFX_KEY_RIGHT},
      {"up", GFX_KEY_UP},
      {"down", GFX_KEY_DOWN},
      {"period", GFX_KEY_PERIOD},
  };
  for (const auto& n : named)
    if (name == n.name) return n.code;
  int f;
  if (name.size() > 1 && name[0] == 'f' && parse_int(name.substr(1), 1, 12, &f) &&
      name[1] != '0' && name[1] != '+' && name[1] != '-')
    return GFX_KEY_F1 - 1 + f;
  int code;
  if (name.size() > 2 && name[0] == '0' && name[1] == 'x' &&
      parse_int(name, 1, 255, &code))
    return code;
  return -1;
}

bool headless_parse_script(const std::string& script, std::vector<ScriptAction>* actions,
                           std::string* error) {
  std::vector<ScriptAction> out;
  std::istringstream in(script);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "script line " + std::to_string(number) + ": " + why + ": " + line;
    return false;
  };
  while (std::getline(in, line)) {
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> w = words_of(line);
    if (w.empty()) continue;
    ScriptAction a{};
    if (!parse_int(w[0], 1, INT_MAX - 1, &a.poll)) return fail("poll number expected");
    if (w.size() < 2) return fail("action expected");
    const std::string& act = w[1];
    size_t args = w.size() - 2;
    if (act == "down" || act == "up" || act == "press") {
      if (args != 1 || (a.key = headless_key_code(w[2])) < 0) return fail("one key expected");
      a.kind = act == "up" ? ScriptKind::up : ScriptKind::down;
      out.push_back(a);
      if (act == "press") {
        a.kind = ScriptKind::up;
        a.poll++;
        out.push_back(a);
      }
      continue;
    }
    if (act == "char") {
      // The words after the action, joined by single blanks.
      if (args < 1) return fail("text expected");
      a.kind = ScriptKind::character;
      for (size_t i = 2; i < w.size(); i++) a.text += (i > 2 ? " " : "") + w[i];
    } else if (act == "size") {
      a.kind = ScriptKind::size;
      if (args != 2 || !parse_int(w[2], 0, 16384, &a.a) || !parse_int(w[3], 0, 16384, &a.b))
        return fail("width and height from 0 to 16384 expected");
    } else if (act == "mouse") {
      a.kind = ScriptKind::mouse;
      if (args < 2 || args > 3 || !parse_int(w[2], 0, 65535, &a.a) ||
          !parse_int(w[3], 0, 65535, &a.b) || (args == 3 && !parse_buttons(w[4], &a.c)))
        return fail("mouse X Y [BUTTONS] expected");
    } else if (act == "wheel") {
      a.kind = ScriptKind::wheel;
      if (args != 1 || (w[2] != "up" && w[2] != "down")) return fail("wheel up or down expected");
      a.a = w[2] == "up" ? 1 : -1;
    } else if (act == "close" || act == "quit" || act == "restore") {
      if (args != 0) return fail("no arguments expected");
      a.kind = act == "close" ? ScriptKind::close
               : act == "quit" ? ScriptKind::quit
                               : ScriptKind::restore;
    } else if (act == "snapshot" || act == "drop") {
      if (args != 1) return fail("one file name expected");
      a.kind = act == "drop" ? ScriptKind::drop : ScriptKind::snapshot;
      a.text = w[2];
    } else {
      return fail("unknown action '" + act + "'");
    }
    out.push_back(a);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const ScriptAction& x, const ScriptAction& y) { return x.poll < y.poll; });
  *actions = std::move(out);
  return true;
}
