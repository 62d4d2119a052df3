// Fuzz target for the headless host's input script and key names: any bytes either parse into
// actions in poll order with every field in its range, or fail with a message naming the line.
// Also feeds the first line as a key name, which must give -1 or a code from 1 to 255 whatever
// its case.
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"

namespace {

void check(bool ok) {
  if (!ok) abort();
}

void check_key_name(const std::string& name) {
  int code = headless_key_code(name);
  check(code == -1 || (code >= 1 && code <= 255));
  std::string upper = name, lower = name;
  for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
  for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
  check(headless_key_code(upper) == code && headless_key_code(lower) == code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string script(reinterpret_cast<const char*>(data), size);
  check_key_name(script.substr(0, script.find('\n')));

  std::vector<ScriptAction> actions;
  std::string error;
  if (!headless_parse_script(script, &actions, &error)) {
    check(error.compare(0, 12, "script line ") == 0);
    return 0;
  }
  int last_poll = 1;
  for (const ScriptAction& a : actions) {
    check(a.poll >= last_poll && a.poll <= INT_MAX);  // a press's up may sit one poll later
    last_poll = a.poll;
    switch (a.kind) {
      case ScriptKind::down:
      case ScriptKind::up: check(a.key >= 1 && a.key <= 255); break;
      case ScriptKind::size: check(a.a >= 0 && a.a <= 16384 && a.b >= 0 && a.b <= 16384); break;
      case ScriptKind::mouse: check(a.a >= 0 && a.a <= 65535 && a.b >= 0 && a.b <= 65535); break;
      case ScriptKind::wheel: check(a.a == 1 || a.a == -1); break;
      case ScriptKind::character:
      case ScriptKind::snapshot:
        check(!a.text.empty() && a.text.size() <= size && a.text.find('\n') == std::string::npos);
        break;
      default: break;
    }
  }
  return 0;
}
