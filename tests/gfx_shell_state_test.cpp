// Shell state: initial values of the globals, and the shutdown's exit status before any window.
#include <gtest/gtest.h>

#include "gfx/shell_state.h"

TEST(ShellState, InitialValues) {
  EXPECT_EQ(windowed, 0);
  EXPECT_EQ(screen_w, 0);
  EXPECT_EQ(screen_h, 0);
  EXPECT_EQ(gfx_hwnd, nullptr);
  EXPECT_EQ(gfx_hdc, nullptr);
  EXPECT_EQ(gfx_hglrc, nullptr);
  EXPECT_EQ(mouse_latch, 1u);
  EXPECT_EQ(mouse_buttons, 0u);
  EXPECT_EQ(alt_tab_pending, 0);
  EXPECT_EQ(key_queue[0], 0);
  for (int i = 0; i < KEY_ARRAY_SIZE; i++) {
    EXPECT_EQ(keydown[i], 0);
    EXPECT_EQ(keyprev[i], 0);
  }
}

TEST(ShellState, ShutdownBeforeAnyWindowExitsWithZero) {
  EXPECT_EXIT(gfx_shutdown(), ::testing::ExitedWithCode(0), "");
  windowed = 0;  // full screen: the display restore must be harmless without a window too
  EXPECT_EXIT(gfx_shutdown(), ::testing::ExitedWithCode(0), "");
}
