// The key questions against hand-set snapshots: held, pressed once, released once, and keys
// outside the host's codes never down.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/keys.h"
#include "gfx/shell_state.h"

TEST(GfxKeys, DownPressedAndReleasedReadTheTwoSnapshots) {
  memset(keydown, 0, sizeof keydown);
  memset(keyprev, 0, sizeof keyprev);
  keydown[GFX_KEY_LEFT] = 0x80;                              // went down at the latest poll
  keydown[GFX_KEY_A] = 0x81, keyprev[GFX_KEY_A] = 0x80;      // held across polls (toggle bit too)
  keyprev[GFX_KEY_ESCAPE] = 0x80;                            // came up at the latest poll
  keydown[GFX_KEY_CAPS_LOCK] = 0x01;                         // toggled on, not down
  struct {
    int key, down, pressed, released;
  } cases[] = {
      {GFX_KEY_LEFT, 1, 1, 0},   {'A', 1, 0, 0},         {GFX_KEY_ESCAPE, 0, 0, 1},
      {GFX_KEY_CAPS_LOCK, 0, 0, 0}, {GFX_KEY_SPACE, 0, 0, 0}, {-1, 0, 0, 0},
      {256, 0, 0, 0},            {100000, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gfx_key_down(c.key), c.down) << c.key;
    EXPECT_EQ(gfx_key_pressed(c.key), c.pressed) << c.key;
    EXPECT_EQ(gfx_key_released(c.key), c.released) << c.key;
  }
  EXPECT_EQ(GFX_KEY_F12, 0x7B);
  EXPECT_EQ(GFX_KEY_KP_9, 0x69);
}
