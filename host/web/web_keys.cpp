// Browser key codes ("KeyboardEvent.code") to Windows virtual-key codes for a standard keyboard:
// letters, digits, the function and editing keys, the keypad, punctuation (US positions) and the
// modifiers, as host/sdl/sdl_keys.cpp maps SDL's scancodes.
#include "host/web/web_keys.h"

#include <cstring>

#include "gfx/keys.h"

namespace {

struct KeyPair {
  const char* code;
  int vk;
};

const KeyPair kKeys[] = {
    {"Escape", GFX_KEY_ESCAPE},
    {"Enter", GFX_KEY_ENTER},
    {"Backspace", GFX_KEY_BACKSPACE},
    {"Tab", GFX_KEY_TAB},
    {"Space", GFX_KEY_SPACE},
    {"Minus", GFX_KEY_MINUS},
    {"Equal", GFX_KEY_EQUALS},
    {"BracketLeft", GFX_KEY_LEFT_BRACKET},
    {"BracketRight", GFX_KEY_RIGHT_BRACKET},
    {"Backslash", GFX_KEY_BACKSLASH},
    {"Semicolon", GFX_KEY_SEMICOLON},
    {"Quote", GFX_KEY_APOSTROPHE},
    {"Backquote", GFX_KEY_GRAVE},
    {"Comma", GFX_KEY_COMMA},
    {"Period", GFX_KEY_PERIOD},
    {"Slash", GFX_KEY_SLASH},
    {"IntlBackslash", GFX_KEY_NON_US_BACKSLASH},
    {"CapsLock", GFX_KEY_CAPS_LOCK},
    {"PrintScreen", GFX_KEY_PRINT_SCREEN},
    {"ScrollLock", GFX_KEY_SCROLL_LOCK},
    {"Pause", GFX_KEY_PAUSE},
    {"Insert", GFX_KEY_INSERT},
    {"Home", GFX_KEY_HOME},
    {"PageUp", GFX_KEY_PAGE_UP},
    {"Delete", GFX_KEY_DELETE},
    {"End", GFX_KEY_END},
    {"PageDown", GFX_KEY_PAGE_DOWN},
    {"ArrowRight", GFX_KEY_RIGHT},
    {"ArrowLeft", GFX_KEY_LEFT},
    {"ArrowDown", GFX_KEY_DOWN},
    {"ArrowUp", GFX_KEY_UP},
    {"NumLock", GFX_KEY_NUM_LOCK},
    {"NumpadDivide", GFX_KEY_KP_DIVIDE},
    {"NumpadMultiply", GFX_KEY_KP_MULTIPLY},
    {"NumpadSubtract", GFX_KEY_KP_SUBTRACT},
    {"NumpadAdd", GFX_KEY_KP_ADD},
    {"NumpadEnter", GFX_KEY_ENTER},
    {"NumpadDecimal", GFX_KEY_KP_DECIMAL},
    {"Numpad0", GFX_KEY_KP_0},
    {"MetaLeft", GFX_KEY_LEFT_SUPER},
    {"MetaRight", GFX_KEY_RIGHT_SUPER},
    {"ContextMenu", GFX_KEY_MENU},
    {"ShiftLeft", GFX_KEY_SHIFT},
    {"ShiftRight", GFX_KEY_SHIFT},
    {"ControlLeft", GFX_KEY_CONTROL},
    {"ControlRight", GFX_KEY_CONTROL},
    {"AltLeft", GFX_KEY_ALT},
    {"AltRight", GFX_KEY_ALT},
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
    if (n >= 1 && n <= 12) return GFX_KEY_F1 + n - 1;
  }
  if (starts(code, "Numpad") && code[6] >= '1' && code[6] <= '9' && !code[7])
    return GFX_KEY_KP_1 + (code[6] - '1');
  if (!strcmp(code, "ShiftLeft")) *sided = GFX_KEY_LEFT_SHIFT;
  if (!strcmp(code, "ShiftRight")) *sided = GFX_KEY_RIGHT_SHIFT;
  if (!strcmp(code, "ControlLeft")) *sided = GFX_KEY_LEFT_CONTROL;
  if (!strcmp(code, "ControlRight")) *sided = GFX_KEY_RIGHT_CONTROL;
  if (!strcmp(code, "AltLeft")) *sided = GFX_KEY_LEFT_ALT;
  if (!strcmp(code, "AltRight")) *sided = GFX_KEY_RIGHT_ALT;
  for (const KeyPair& k : kKeys)
    if (!strcmp(k.code, code)) return k.vk;
  return 0;
}
