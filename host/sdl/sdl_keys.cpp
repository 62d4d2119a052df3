// SDL scancodes to Windows virtual-key codes for a standard keyboard: letters, digits, the
// function and editing keys, the keypad, punctuation (US positions) and the modifiers.
#include "host/sdl/sdl_keys.h"

namespace {

struct KeyPair {
  SDL_Scancode scancode;
  int vk;
};

const KeyPair kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 0x1B},      {SDL_SCANCODE_RETURN, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x08},   {SDL_SCANCODE_TAB, 0x09},
    {SDL_SCANCODE_SPACE, 0x20},       {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_EQUALS, 0xBB},      {SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_NONUSHASH, 0xDC},   {SDL_SCANCODE_SEMICOLON, 0xBA},
    {SDL_SCANCODE_APOSTROPHE, 0xDE},  {SDL_SCANCODE_GRAVE, 0xC0},
    {SDL_SCANCODE_COMMA, 0xBC},       {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},       {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
    {SDL_SCANCODE_CAPSLOCK, 0x14},    {SDL_SCANCODE_PRINTSCREEN, 0x2C},
    {SDL_SCANCODE_SCROLLLOCK, 0x91},  {SDL_SCANCODE_PAUSE, 0x13},
    {SDL_SCANCODE_INSERT, 0x2D},      {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_PAGEUP, 0x21},      {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_END, 0x23},         {SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDL_SCANCODE_RIGHT, 0x27},       {SDL_SCANCODE_LEFT, 0x25},
    {SDL_SCANCODE_DOWN, 0x28},        {SDL_SCANCODE_UP, 0x26},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_KP_DIVIDE, 0x6F},
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDL_SCANCODE_KP_MINUS, 0x6D},
    {SDL_SCANCODE_KP_PLUS, 0x6B},     {SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDL_SCANCODE_KP_PERIOD, 0x6E},   {SDL_SCANCODE_KP_0, 0x60},
    {SDL_SCANCODE_LGUI, 0x5B},        {SDL_SCANCODE_RGUI, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0x5D}, {SDL_SCANCODE_MENU, 0x5D},
};

}  // namespace

int sdl_virtual_key(SDL_Scancode scancode, SDL_Keycode keycode, int* sided) {
  *sided = 0;
  if (keycode >= 'a' && keycode <= 'z') return int(keycode - 'a' + 'A');
  if (keycode >= '0' && keycode <= '9' && !(scancode >= SDL_SCANCODE_KP_1 &&
                                            scancode <= SDL_SCANCODE_KP_0))
    return int(keycode);
  // Keys the layout made into something else still count by their place.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    return 0x70 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
    return 0x61 + (scancode - SDL_SCANCODE_KP_1);
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT: *sided = 0xA0; return 0x10;
    case SDL_SCANCODE_RSHIFT: *sided = 0xA1; return 0x10;
    case SDL_SCANCODE_LCTRL: *sided = 0xA2; return 0x11;
    case SDL_SCANCODE_RCTRL: *sided = 0xA3; return 0x11;
    case SDL_SCANCODE_LALT: *sided = 0xA4; return 0x12;
    case SDL_SCANCODE_RALT: *sided = 0xA5; return 0x12;
    default: break;
  }
  for (const KeyPair& k : kKeys)
    if (k.scancode == scancode) return k.vk;
  return 0;
}
