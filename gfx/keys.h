// Key names: the virtual-key codes the hosts put in keydown and keyprev, by name, and the three
// questions a program asks of a key after gfx_poll (held, just pressed, just released). Letters
// and digits are their upper-case characters ('A', '7'), so GFX_KEY_A == 'A'.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Virtual-key codes: indices into keydown and keyprev.
enum {
  GFX_KEY_BACKSPACE = 0x08,
  GFX_KEY_TAB = 0x09,
  GFX_KEY_ENTER = 0x0D,  // either Enter key
  GFX_KEY_SHIFT = 0x10,  // either Shift key
  GFX_KEY_CONTROL = 0x11,  // either Ctrl key
  GFX_KEY_ALT = 0x12,  // either Alt key
  GFX_KEY_PAUSE = 0x13,
  GFX_KEY_CAPS_LOCK = 0x14,
  GFX_KEY_ESCAPE = 0x1B,
  GFX_KEY_SPACE = 0x20,
  GFX_KEY_PAGE_UP = 0x21,
  GFX_KEY_PAGE_DOWN = 0x22,
  GFX_KEY_END = 0x23,
  GFX_KEY_HOME = 0x24,
  GFX_KEY_LEFT = 0x25,
  GFX_KEY_UP = 0x26,
  GFX_KEY_RIGHT = 0x27,
  GFX_KEY_DOWN = 0x28,
  GFX_KEY_PRINT_SCREEN = 0x2C,
  GFX_KEY_INSERT = 0x2D,
  GFX_KEY_DELETE = 0x2E,
  GFX_KEY_0 = '0', GFX_KEY_1 = '1', GFX_KEY_2 = '2', GFX_KEY_3 = '3', GFX_KEY_4 = '4',
  GFX_KEY_5 = '5', GFX_KEY_6 = '6', GFX_KEY_7 = '7', GFX_KEY_8 = '8', GFX_KEY_9 = '9',
  GFX_KEY_A = 'A', GFX_KEY_B = 'B', GFX_KEY_C = 'C', GFX_KEY_D = 'D', GFX_KEY_E = 'E',
  GFX_KEY_F = 'F', GFX_KEY_G = 'G', GFX_KEY_H = 'H', GFX_KEY_I = 'I', GFX_KEY_J = 'J',
  GFX_KEY_K = 'K', GFX_KEY_L = 'L', GFX_KEY_M = 'M', GFX_KEY_N = 'N', GFX_KEY_O = 'O',
  GFX_KEY_P = 'P', GFX_KEY_Q = 'Q', GFX_KEY_R = 'R', GFX_KEY_S = 'S', GFX_KEY_T = 'T',
  GFX_KEY_U = 'U', GFX_KEY_V = 'V', GFX_KEY_W = 'W', GFX_KEY_X = 'X', GFX_KEY_Y = 'Y',
  GFX_KEY_Z = 'Z',
  GFX_KEY_LEFT_SUPER = 0x5B,  // the Windows or command key
  GFX_KEY_RIGHT_SUPER = 0x5C,
  GFX_KEY_MENU = 0x5D,  // the context-menu key
  GFX_KEY_KP_0 = 0x60, GFX_KEY_KP_1 = 0x61, GFX_KEY_KP_2 = 0x62, GFX_KEY_KP_3 = 0x63,
  GFX_KEY_KP_4 = 0x64, GFX_KEY_KP_5 = 0x65, GFX_KEY_KP_6 = 0x66, GFX_KEY_KP_7 = 0x67,
  GFX_KEY_KP_8 = 0x68, GFX_KEY_KP_9 = 0x69,
  GFX_KEY_KP_MULTIPLY = 0x6A,
  GFX_KEY_KP_ADD = 0x6B,
  GFX_KEY_KP_SUBTRACT = 0x6D,
  GFX_KEY_KP_DECIMAL = 0x6E,
  GFX_KEY_KP_DIVIDE = 0x6F,
  GFX_KEY_F1 = 0x70, GFX_KEY_F2 = 0x71, GFX_KEY_F3 = 0x72, GFX_KEY_F4 = 0x73,
  GFX_KEY_F5 = 0x74, GFX_KEY_F6 = 0x75, GFX_KEY_F7 = 0x76, GFX_KEY_F8 = 0x77,
  GFX_KEY_F9 = 0x78, GFX_KEY_F10 = 0x79, GFX_KEY_F11 = 0x7A, GFX_KEY_F12 = 0x7B,
  GFX_KEY_NUM_LOCK = 0x90,
  GFX_KEY_SCROLL_LOCK = 0x91,
  GFX_KEY_LEFT_SHIFT = 0xA0,  // the sided modifiers, set beside GFX_KEY_SHIFT and the others
  GFX_KEY_RIGHT_SHIFT = 0xA1,
  GFX_KEY_LEFT_CONTROL = 0xA2,
  GFX_KEY_RIGHT_CONTROL = 0xA3,
  GFX_KEY_LEFT_ALT = 0xA4,
  GFX_KEY_RIGHT_ALT = 0xA5,
  GFX_KEY_SEMICOLON = 0xBA,  // punctuation by its place on a US keyboard
  GFX_KEY_EQUALS = 0xBB,
  GFX_KEY_COMMA = 0xBC,
  GFX_KEY_MINUS = 0xBD,
  GFX_KEY_PERIOD = 0xBE,
  GFX_KEY_SLASH = 0xBF,
  GFX_KEY_GRAVE = 0xC0,
  GFX_KEY_LEFT_BRACKET = 0xDB,
  GFX_KEY_BACKSLASH = 0xDC,
  GFX_KEY_RIGHT_BRACKET = 0xDD,
  GFX_KEY_APOSTROPHE = 0xDE,
  GFX_KEY_NON_US_BACKSLASH = 0xE2,  // the extra key beside left Shift on European keyboards
};

// 1 while the key is down (bit 7 of keydown[key]), else 0; 0 for a key outside 0..255.
VT_API int gfx_key_down(int key);
// 1 when the key went down since the poll before (down now, up in keyprev), else 0: once per press.
VT_API int gfx_key_pressed(int key);
// 1 when the key came up since the poll before (up now, down in keyprev), else 0.
VT_API int gfx_key_released(int key);

VT_END_DECLS
