// The web host's key table: browser key events give the virtual-key codes the desktop host gives
// for the same keys (letters by layout, the rest by position, sided modifiers).
#include "host/web/web_keys.h"

#include <gtest/gtest.h>

namespace {
int vk(const char* key, const char* code, int* sided = nullptr) {
  int s = -1;
  int v = web_virtual_key(key, code, &s);
  if (sided) *sided = s;
  return v;
}
}  // namespace

TEST(WebKeys, LettersFollowTheLayoutAndOtherKeysTheirPlace) {
  EXPECT_EQ(vk("q", "KeyQ"), 'Q');
  EXPECT_EQ(vk("Q", "KeyQ"), 'Q');      // with Shift
  EXPECT_EQ(vk("a", "KeyQ"), 'A');      // AZERTY: the key labelled A
  EXPECT_EQ(vk("\xc3\xa9", "Digit2"), '2');  // a layout's letter on a digit key counts by place
  EXPECT_EQ(vk("p", "KeyP"), 'P');
  EXPECT_EQ(vk("7", "Digit7"), '7');
  EXPECT_EQ(vk("7", "Numpad7"), 0x67);  // the keypad's digits are their own keys
  EXPECT_EQ(vk("0", "Numpad0"), 0x60);
}

TEST(WebKeys, FunctionEditingAndKeypadKeys) {
  EXPECT_EQ(vk("F1", "F1"), 0x70);
  EXPECT_EQ(vk("F11", "F11"), 0x7A);
  EXPECT_EQ(vk("F12", "F12"), 0x7B);
  EXPECT_EQ(vk("F13", "F13"), 0);
  EXPECT_EQ(vk("Escape", "Escape"), 0x1B);
  EXPECT_EQ(vk(" ", "Space"), 0x20);
  EXPECT_EQ(vk("ArrowRight", "ArrowRight"), 0x27);
  EXPECT_EQ(vk(".", "Period"), 0xBE);
  EXPECT_EQ(vk("+", "NumpadAdd"), 0x6B);
  EXPECT_EQ(vk("-", "NumpadSubtract"), 0x6D);
  EXPECT_EQ(vk("=", "Equal"), 0xBB);
  EXPECT_EQ(vk("Enter", "NumpadEnter"), 0x0D);
  EXPECT_EQ(vk("Unidentified", ""), 0);
}

TEST(WebKeys, ModifiersGiveTheGenericAndTheSidedCode) {
  int sided = 0;
  EXPECT_EQ(vk("Shift", "ShiftLeft", &sided), 0x10);
  EXPECT_EQ(sided, 0xA0);
  EXPECT_EQ(vk("Control", "ControlRight", &sided), 0x11);
  EXPECT_EQ(sided, 0xA3);
  EXPECT_EQ(vk("Alt", "AltLeft", &sided), 0x12);
  EXPECT_EQ(sided, 0xA4);
  EXPECT_EQ(vk("q", "KeyQ", &sided), 'Q');
  EXPECT_EQ(sided, 0);
}
