// SDL scancodes to Windows virtual-key codes for a standard keyboard: letters, digits, the
// function and editing keys, the keypad, punctuation (US positions) and the modifiers.
#include "host/sdl/sdl_keys.h"

#include "gfx/keys.h"

namespace {

struct KeyPair {
  SDL_Scancode scancode;
  int vk;
};

const KeyPair kKeys[] = {
    {SDL_SCANCODE_ESCAPE, GFX_KEY_ESCAPE},
    {SDL_SCANCODE_RETURN, GFX_KEY_ENTER},
    {SDL_SCANCODE_BACKSPACE, GFX_KEY_BACKSPACE},
    {SDL_SCANCODE_TAB, GFX_KEY_TAB},
    {SDL_SCANCODE_SPACE, GFX_KEY_SPACE},
    {SDL_SCANCODE_MINUS, GFX_KEY_MINUS},
    {SDL_SCANCODE_EQUALS, GFX_KEY_EQUALS},
    {SDL_SCANCODE_LEFTBRACKET, GFX_KEY_LEFT_BRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, GFX_KEY_RIGHT_BRACKET},
    {SDL_SCANCODE_BACKSLASH, GFX_KEY_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, GFX_KEY_BACKSLASH},
    {SDL_SCANCODE_SEMICOLON, GFX_KEY_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, GFX_KEY_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, GFX_KEY_GRAVE},
    {SDL_SCANCODE_COMMA, GFX_KEY_COMMA},
    {SDL_SCANCODE_PERIOD, GFX_KEY_PERIOD},
    {SDL_SCANCODE_SLASH, GFX_KEY_SLASH},
    {SDL_SCANCODE_NONUSBACKSLASH, GFX_KEY_NON_US_BACKSLASH},
    {SDL_SCANCODE_CAPSLOCK, GFX_KEY_CAPS_LOCK},
    {SDL_SCANCODE_PRINTSCREEN, GFX_KEY_PRINT_SCREEN},
    {SDL_SCANCODE_SCROLLLOCK, GFX_KEY_SCROLL_LOCK},
    {SDL_SCANCODE_PAUSE, GFX_KEY_PAUSE},
    {SDL_SCANCODE_INSERT, GFX_KEY_INSERT},
    {SDL_SCANCODE_HOME, GFX_KEY_HOME},
    {SDL_SCANCODE_PAGEUP, GFX_KEY_PAGE_UP},
    {SDL_SCANCODE_DELETE, GFX_KEY_DELETE},
    {SDL_SCANCODE_END, GFX_KEY_END},
    {SDL_SCANCODE_PAGEDOWN, GFX_KEY_PAGE_DOWN},
    {SDL_SCANCODE_RIGHT, GFX_KEY_RIGHT},
    {SDL_SCANCODE_LEFT, GFX_KEY_LEFT},
    {SDL_SCANCODE_DOWN, GFX_KEY_DOWN},
    {SDL_SCANCODE_UP, GFX_KEY_UP},
    {SDL_SCANCODE_NUMLOCKCLEAR, GFX_KEY_NUM_LOCK},
    {SDL_SCANCODE_KP_DIVIDE, GFX_KEY_KP_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, GFX_KEY_KP_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, GFX_KEY_KP_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, GFX_KEY_KP_ADD},
    {SDL_SCANCODE_KP_ENTER, GFX_KEY_ENTER},
    {SDL_SCANCODE_KP_PERIOD, GFX_KEY_KP_DECIMAL},
    {SDL_SCANCODE_KP_0, GFX_KEY_KP_0},
    {SDL_SCANCODE_LGUI, GFX_KEY_LEFT_SUPER},
    {SDL_SCANCODE_RGUI, GFX_KEY_RIGHT_SUPER},
    {SDL_SCANCODE_APPLICATION, GFX_KEY_MENU},
    {SDL_SCANCODE_MENU, GFX_KEY_MENU},
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
    return GFX_KEY_F1 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
    return GFX_KEY_KP_1 + (scancode - SDL_SCANCODE_KP_1);
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT: *sided = GFX_KEY_LEFT_SHIFT; return GFX_KEY_SHIFT;
    case SDL_SCANCODE_RSHIFT: *sided = GFX_KEY_RIGHT_SHIFT; return GFX_KEY_SHIFT;
    case SDL_SCANCODE_LCTRL: *sided = GFX_KEY_LEFT_CONTROL; return GFX_KEY_CONTROL;
    case SDL_SCANCODE_RCTRL: *sided = GFX_KEY_RIGHT_CONTROL; return GFX_KEY_CONTROL;
    case SDL_SCANCODE_LALT: *sided = GFX_KEY_LEFT_ALT; return GFX_KEY_ALT;
    case SDL_SCANCODE_RALT: *sided = GFX_KEY_RIGHT_ALT; return GFX_KEY_ALT;
    default: break;
  }
  for (const KeyPair& k : kKeys)
    if (k.scancode == scancode) return k.vk;
  return 0;
}
