// The Windows emulation the SDL, headless and web hosts share: the key array's down and toggle
// bits, the generic Shift/Ctrl/Alt following either side, system keys, the messages posted, and
// typed UTF-8 turned into single-byte characters.
#include <gtest/gtest.h>

#include <vector>

#include "host/emulated/emulated.h"

namespace {

std::vector<HostMessage> drain() {
  std::vector<HostMessage> all;
  HostMessage m;
  while (emulated_pending()) {
    emulated_get(&m);
    all.push_back(m);
  }
  return all;
}

TEST(Emulated, SidesTogglesAndSystemKeys) {
  emulated_reset();
  const unsigned char* keys = emulated_keys();
  emulated_key(0x10, true, false, 0xA0, 0x2A);   // left Shift
  emulated_key(0x10, true, false, 0xA1);         // right Shift
  emulated_key(0x10, false, false, 0xA0);        // left up: Shift stays down for the right one
  EXPECT_EQ(keys[0x10] & 0x80, 0x80);
  EXPECT_EQ(keys[0xA0] & 0x80, 0);
  emulated_key('A', true, false);
  emulated_key('A', true, true);  // a repeat does not toggle
  emulated_key('A', false, false);
  EXPECT_EQ(keys['A'], 0x01);
  emulated_key(0x12, true, false, 0xA4);
  emulated_key(0x12, false, false, 0xA4);
  emulated_key(0x79, true, false);
  std::vector<HostMessage> m = drain();
  ASSERT_EQ(m.size(), 9u);
  EXPECT_EQ(m[0].message, unsigned(HOST_WM_KEYDOWN));
  EXPECT_EQ(m[0].wparam, 0x10u);
  EXPECT_EQ(m[0].lparam, intptr_t(1 | 0x2A << 16));
  EXPECT_EQ(m[4].lparam, intptr_t(1 | 1 << 30));  // the repeat
  EXPECT_EQ(m[5].message, unsigned(HOST_WM_KEYUP));
  EXPECT_EQ(m[5].lparam, intptr_t(0xC0000001u));
  EXPECT_EQ(m[6].message, unsigned(HOST_WM_SYSKEYDOWN));  // Alt
  EXPECT_EQ(m[7].message, unsigned(HOST_WM_SYSKEYUP));
  EXPECT_EQ(m[8].message, unsigned(HOST_WM_SYSKEYDOWN));  // F10
}

// A key down and up again between two snapshots shows as down once.
TEST(Emulated, QuickTapsAreSeenOnce) {
  emulated_reset();
  emulated_key(' ', true, false);
  emulated_key(' ', false, false);
  unsigned char snapshot[256];
  emulated_keyboard_state(snapshot);
  EXPECT_EQ(snapshot[' '] & 0x80, 0x80);
  emulated_keyboard_state(snapshot);
  EXPECT_EQ(snapshot[' '] & 0x80, 0);
}

TEST(Emulated, TypedTextBecomesLatin1) {
  emulated_reset();
  emulated_text("a\xC3\xA9\xE2\x82\xAC");  // a, e acute, the euro sign
  std::vector<HostMessage> m = drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].wparam, uintptr_t('a'));
  EXPECT_EQ(m[1].wparam, 0xE9u);
  EXPECT_EQ(m[2].wparam, uintptr_t('?'));
  for (const HostMessage& c : m) EXPECT_EQ(c.message, unsigned(HOST_WM_CHAR));
}

}  // namespace
