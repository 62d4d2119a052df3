// Browser key codes ("KeyboardEvent.code") to Windows virtual-key codes for a standard keyboard:
// letters, digits, the function and editing keys, the keypad, punctuation (US positions) and the
// modifiers, as host/sdl/sdl_keys.cpp maps SDL's scancodes.
#include "host/web/web_keys.h"

#include <cstring>

namespace {

struct KeyPair {
  const char* code;
  int vk;
};

const KeyPair kKeys[] = {
    {"Escape", 0x1B},       {"Enter", 0x0D},        {"Backspace", 0x08},
    {"Tab", 0x09},          {"Space", 0x20},        {"Minus", 0xBD},
    {"Equal", 0xBB},        {"BracketLeft", 0xDB},  {"BracketRight", 0xDD},
    {"Backslash", 0xDC},    {"Semicolon", 0xBA},    {"Quote", 0xDE},
    {"Backquote", 0xC0},    {"Comma", 0xBC},        {"Period", 0xBE},
    {"Slash", 0xBF},        {"IntlBackslash", 0xE2}, {"CapsLock", 0x14},
    {"PrintScreen", 0x2C},  {"ScrollLock", 0x91},   {"Pause", 0x13},
    {"Insert", 0x2D},       {"Home", 0x24},         {"PageUp", 0x21},
    {"Delete", 0x2E},       {"End", 0x23},          {"PageDown", 0x22},
    {"ArrowRight", 0x27},   {"ArrowLeft", 0x25},    {"ArrowDown", 0x28},
    {"ArrowUp", 0x26},      {"NumLock", 0x90},      {"NumpadDivide", 0x6F},
    {"NumpadMultiply", 0x6A}, {"NumpadSubtract", 0x6D}, {"NumpadAdd", 0x6B},
    {"NumpadEnter", 0x0D},  {"NumpadDecimal", 0x6E}, {"Numpad0", 0x60},
    {"MetaLeft", 0x5B},     {"MetaRight", 0x5C},    {"ContextMenu", 0x5D},
    {"ShiftLeft", 0x10},    {"ShiftRight", 0x10},   {"ControlLeft", 0x11},
    {"ControlRight", 0x11}, {"AltLeft", 0x12},      {"AltRight", 0x12},
};

bool starts(const char* s, const char* prefix) { return strncmp(s, prefix, strlen(prefix)) == 0; }

}  // namespace

int web_virtual_key(const char* key, const char* code, int* sided) {
  *sided = 0;
  if (!key) key = "";
  if (!code) code = "";
  // Letters and the digits above the letters follow the layout.
  if (key[0] && !key[1]) {
    char c = key[0];
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= '0' && c <= '9' && !starts(code, "Numpad")) return c;
  }
  // Keys the layout made into something else still count by their place.
  if (starts(code, "Key") && code[3] >= 'A' && code[3] <= 'Z' && !code[4]) return code[3];
  if (starts(code, "Digit") && code[5] >= '0' && code[5] <= '9' && !code[6]) return code[5];
  if (code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
    int n = code[1] - '0';
    if (code[2] >= '0' && code[2] <= '9' && !code[3]) n = n * 10 + code[2] - '0';
    else if (code[2]) n = 0;
    if (n >= 1 && n <= 12) return 0x70 + n - 1;
  }
  if (starts(code, "Numpad") && code[6] >= '1' && code[6] <= '9' && !code[7])
    return 0x61 + (code[6] - '1');
  if (!strcmp(code, "ShiftLeft")) *sided = 0xA0;
  if (!strcmp(code, "ShiftRight")) *sided = 0xA1;
  if (!strcmp(code, "ControlLeft")) *sided = 0xA2;
  if (!strcmp(code, "ControlRight")) *sided = 0xA3;
  if (!strcmp(code, "AltLeft")) *sided = 0xA4;
  if (!strcmp(code, "AltRight")) *sided = 0xA5;
  for (const KeyPair& k : kKeys)
    if (!strcmp(k.code, code)) return k.vk;
  return 0;
}
