// The headless window system's environment: the simulated screen (VANTOREL_SCREEN) and virtual
// desktop (VANTOREL_DESKTOP) texts, numbers beyond the int range refused.
#include <gtest/gtest.h>

#include "host/headless/headless_host.h"

TEST(HeadlessWindow, ScreenAndDesktopTextsOutOfRangeAreRefused) {
  int w = 0, h = 0, x = 0, y = 0;
  EXPECT_TRUE(headless_parse_screen(" 1280x720 and more", &w, &h));
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);
  EXPECT_TRUE(headless_parse_desktop("3840x1080-1920+0", &w, &h, &x, &y));
  EXPECT_EQ(x, -1920);
  EXPECT_EQ(y, 0);
  EXPECT_TRUE(headless_parse_screen("2147483647x1", &w, &h));
  for (const char* bad : {"99999999999x480", "640x4294967296", "0x480", "640x-1", "640X480", ""})
    EXPECT_FALSE(headless_parse_screen(bad, &w, &h)) << bad;
  for (const char* bad : {"800x600+0", "800x600+2147483648+0", "800x600-0-9999999999"})
    EXPECT_FALSE(headless_parse_desktop(bad, &w, &h, &x, &y)) << bad;
}
