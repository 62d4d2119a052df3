// Window and input on the headless host: size and position rules, what gfx_open hands the host in
// each mode, the window procedure's messages, the typed-character queue, the mouse latch, and the
// key snapshots of gfx_poll (edges, frozen keys while minimised, Alt+Tab, quit and close).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "gfx/shell_state.h"
#include "gfx/window.h"
#include "gfx/window_internal.h"
#include "host/headless/headless_host.h"
#include "host/host.h"

namespace {

// A fresh shell on a fresh headless host: screen, desktop and script as given.
void fresh_shell(unsigned char mode, const char* script = "", const char* screen = "1920x1080",
                 const char* desktop = nullptr) {
  // The GL driver runs threads of its own, which a forked child would wait for: death tests run
  // in a fresh copy of the program instead.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("VANTOREL_SCREEN", screen, 1);
  if (desktop) setenv("VANTOREL_DESKTOP", desktop, 1);
  else unsetenv("VANTOREL_DESKTOP");
  headless_reset();
  headless_set_script(script);
  gfx_hwnd = nullptr;
  gfx_hdc = nullptr;
  gfx_hglrc = nullptr;
  windowed = mode;
  screen_w = screen_h = 0;
  key_queue[0] = 0;
  mouse_x = mouse_y = 0;
  mouse_buttons = mouse_prev = 0;
  mouse_latch = 1;
  alt_tab_pending = 0;
  memset(keydown, 0x55, sizeof keydown);  // gfx_open must clear them
  memset(keyprev, 0x55, sizeof keyprev);
}

intptr_t size_lparam(int w, int h) { return intptr_t(uint32_t(h) << 16 | uint32_t(w)); }

bool pressed(int vk) { return (keydown[vk] & 0x80) && !(keyprev[vk] & 0x80); }

}  // namespace

TEST(Window, CentredOnThePointerAndKeptOnTheDesktop) {
  EXPECT_EQ(gfx_centre_on_pointer(960, 800, 0, 1920), 560);
  EXPECT_EQ(gfx_centre_on_pointer(0, 800, 0, 1920), 0);        // corner: pushed back inside
  EXPECT_EQ(gfx_centre_on_pointer(1919, 800, 0, 1920), 1120);  // right edge at the desktop's
  EXPECT_EQ(gfx_centre_on_pointer(500, 3000, 0, 1920), 0);     // larger: on the left edge
  EXPECT_EQ(gfx_centre_on_pointer(-1900, 801, -1920, 3840), -1920);
  EXPECT_EQ(gfx_centre_on_pointer(-100, 801, -1920, 3840), -500);  // 801 / 2 truncates to 400
}

TEST(Window, SizeRulesForEachWidth) {
  fresh_shell(1);
  WindowPlacement p = gfx_place_window(0, 123, true);  // 0.6 of the screen, height ignored
  EXPECT_EQ(p.client_w, 1152);
  EXPECT_EQ(p.client_h, 648);
  EXPECT_EQ(p.outer_w, 1152 + 2 * 4);
  EXPECT_EQ(p.outer_h, 648 + 23 + 2 * 4);
  EXPECT_EQ(p.x, 960 - 1160 / 2);  // the headless pointer starts at the screen's centre
  EXPECT_EQ(p.y, 540 - 679 / 2);

  fresh_shell(1, "", "1001x777");
  p = gfx_place_window(0, 0, true);
  EXPECT_EQ(p.client_w, 600);  // 600.6 truncated
  EXPECT_EQ(p.client_h, 466);  // 466.2 truncated

  fresh_shell(0, "", "1920x1080", "3840x1200-1920+0");
  p = gfx_place_window(0, 5, false);
  EXPECT_EQ(p.client_w, 1920);
  EXPECT_EQ(p.client_h, 1080);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.outer_w, 1920);  // no frame in full screen
  p = gfx_place_window(-1, 5, false);
  EXPECT_EQ(p.client_w, 3840);
  EXPECT_EQ(p.client_h, 1200);
  EXPECT_EQ(p.x, -1920);
  EXPECT_EQ(p.y, 0);
  p = gfx_place_window(640, 480, false);
  EXPECT_EQ(p.client_w, 640);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST(Window, OpenWindowedHandsTheHostTheFramedStyle) {
  fresh_shell(1);
  ASSERT_EQ(gfx_open(320, 200, "title here"), 1);
  HeadlessState s = headless_state();
  EXPECT_TRUE(s.window_exists);
  EXPECT_EQ(s.title, "title here");
  EXPECT_EQ(s.style, 0x160F0000u);
  EXPECT_EQ(s.outer_w, 328);
  EXPECT_EQ(s.outer_h, 231);
  EXPECT_EQ(s.client_w, 320);
  EXPECT_EQ(s.client_h, 200);
  EXPECT_EQ(s.display_changes, 0);
  EXPECT_EQ(s.cursor_count, 0);
  EXPECT_EQ(screen_w, 320);
  EXPECT_EQ(screen_h, 200);
  for (int i = 0; i < KEY_ARRAY_SIZE; i++) ASSERT_EQ(keydown[i] | keyprev[i], 0) << i;
  EXPECT_NE(gfx_hwnd, nullptr);
  EXPECT_NE(gfx_hdc, nullptr);
  EXPECT_NE(gfx_hglrc, nullptr);
}

TEST(Window, FullScreenChangesTheModeOnlyForAPositiveWidth) {
  fresh_shell(0);
  ASSERT_EQ(gfx_open(800, 600, "x"), 1);
  HeadlessState s = headless_state();
  EXPECT_EQ(s.style, 0x96000000u);
  EXPECT_EQ(s.client_w, 800);
  EXPECT_EQ(s.display_changes, 1);
  EXPECT_EQ(s.display_w, 800);
  EXPECT_EQ(s.display_h, 600);
  EXPECT_EQ(s.cursor_count, -1);  // hidden

  fresh_shell(0, "", "1280x720", "2560x720+0+0");
  ASSERT_EQ(gfx_open(-1, 0, "x"), 1);
  s = headless_state();
  EXPECT_EQ(s.client_w, 2560);
  EXPECT_EQ(s.client_h, 720);
  EXPECT_EQ(s.display_changes, 0);
  EXPECT_EQ(s.cursor_count, -1);

  fresh_shell(0, "", "1280x720");
  ASSERT_EQ(gfx_open(0, 0, "x"), 1);
  EXPECT_EQ(headless_state().client_w, 1280);
  EXPECT_EQ(headless_state().display_changes, 0);
}

TEST(Window, ZeroOrNegativeSizesCreateNothing) {
  for (auto wh : {std::pair<int, int>{640, 0}, {-5, 480}, {640, -480}, {-2, 0}}) {
    fresh_shell(1);
    EXPECT_EQ(gfx_open(wh.first, wh.second, "x"), 0) << wh.first << "x" << wh.second;
    EXPECT_FALSE(headless_state().window_exists);
  }
  fresh_shell(1);
  EXPECT_EQ(gfx_open(640, 0, "x"), 0);
  EXPECT_EQ(screen_w, 640);  // set before the size is found wanting
  EXPECT_EQ(screen_h, 0);
}

// The renderer holds 16384 x 16384 at most (OSMesa's limit): larger areas, however they come
// about, are fatal and named, and the outer-size arithmetic of a huge request does not overflow.
TEST(Window, AreasBeyondTheRendererAreFatalAndNamed) {
  fresh_shell(1);
  WindowPlacement p = gfx_place_window(2147483647, 2147483647, true);
  EXPECT_EQ(p.outer_w, 2147483647);
  EXPECT_EQ(p.outer_h, 2147483647);
  EXPECT_EXIT(gfx_open(16385, 100, "x"), ::testing::ExitedWithCode(1),
              "Oh sod it: Drawing area 16385x100 is larger than the renderer can hold");
  fresh_shell(0);
  EXPECT_EXIT(gfx_open(2147483647, 480, "x"), ::testing::ExitedWithCode(1),
              "Drawing area 2147483647x480 is larger");
  fresh_shell(1, "", "40000x40000");
  EXPECT_EXIT(gfx_open(0, 0, "x"), ::testing::ExitedWithCode(1), "Drawing area 24000x24000 is");
}

TEST(Window, SecondOpenIsFatal) {
  fresh_shell(1);
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  EXPECT_EXIT(gfx_open(64, 48, "again"), ::testing::ExitedWithCode(1),
              "Oh sod it: Failed To Register The Window Class.");
}

TEST(Window, ProcedureMessages) {
  fresh_shell(1);
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  EXPECT_EQ(gfx_wndproc(gfx_hwnd, HOST_WM_SIZE, 0, size_lparam(100, 70)), 0);
  EXPECT_EQ(screen_w, 100);
  EXPECT_EQ(screen_h, 70);
  gfx_wndproc(gfx_hwnd, HOST_WM_SIZE, 1, 0);  // minimised
  EXPECT_EQ(screen_w, 0);
  EXPECT_EQ(screen_h, 1);
  EXPECT_EQ(gfx_wndproc(gfx_hwnd, HOST_WM_SYSKEYDOWN, 0x73, 0), 0);

  // The launching click is not recorded until every button was up once.
  gfx_wndproc(gfx_hwnd, HOST_WM_LBUTTONDOWN, HOST_MK_LBUTTON, size_lparam(10, 20));
  EXPECT_EQ(mouse_x, 10);
  EXPECT_EQ(mouse_y, 20);
  EXPECT_EQ(mouse_buttons, 0u);
  gfx_wndproc(gfx_hwnd, HOST_WM_MOUSEMOVE, 0, size_lparam(11, 21));
  EXPECT_EQ(mouse_latch, 0u);
  gfx_wndproc(gfx_hwnd, HOST_WM_RBUTTONDOWN, HOST_MK_RBUTTON | HOST_MK_MBUTTON | 0x04 | 0x08,
              size_lparam(0xFFFF, 0x8000));
  EXPECT_EQ(mouse_buttons, MOUSE_RIGHT | MOUSE_MIDDLE);  // shift and control bits dropped
  EXPECT_EQ(mouse_x, 65535);                             // taken unsigned
  EXPECT_EQ(mouse_y, 32768);

  gfx_wndproc(gfx_hwnd, HOST_WM_MOUSEWHEEL, uintptr_t(uint32_t(120) << 16), 0);
  EXPECT_EQ(mouse_buttons & (MOUSE_WHEEL_AWAY | MOUSE_WHEEL_TOWARDS), MOUSE_WHEEL_AWAY);
  gfx_wndproc(gfx_hwnd, HOST_WM_MOUSEWHEEL, uintptr_t(uint32_t(-120) << 16), 0);
  EXPECT_TRUE(mouse_buttons & MOUSE_WHEEL_TOWARDS);
  gfx_wndproc(gfx_hwnd, HOST_WM_MOUSEMOVE, HOST_MK_LBUTTON, 0);
  EXPECT_EQ(mouse_buttons, MOUSE_LEFT);  // the whole mask replaced, wheel bits too
}

TEST(Window, TypedCharacterQueueHolds499) {
  fresh_shell(1);
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  EXPECT_EQ(gfx_inkey(), 0);
  for (int i = 0; i < 500; i++) gfx_wndproc(gfx_hwnd, HOST_WM_CHAR, 'a' + i % 26, 0);
  EXPECT_EQ(strlen(key_queue), 499u);  // the 500th was dropped
  EXPECT_EQ(gfx_inkey(), 'a');
  gfx_wndproc(gfx_hwnd, HOST_WM_CHAR, 0x1E9, 0);  // low byte 0xE9
  EXPECT_EQ(strlen(key_queue), 499u);
  EXPECT_EQ(key_queue[498], char(0xE9));
  for (int i = 1; i < 499; i++) ASSERT_EQ(gfx_inkey(), 'a' + i % 26);
  EXPECT_EQ(gfx_inkey(), -23);  // 0xE9 as a signed byte
  EXPECT_EQ(gfx_inkey(), 0);
}

TEST(Window, PollKeyEdgesWheelAndUpperEntries) {
  fresh_shell(1,
              "2 down x\n"
              "5 up x\n"
              "3 wheel up\n"
              "4 char hi\n"
              "6 press 0x6B\n");
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  EXPECT_EQ(gfx_poll(), 0);  // 1: the size message
  EXPECT_FALSE(pressed('X'));
  EXPECT_EQ(gfx_poll(), 0);  // 2
  EXPECT_TRUE(pressed('X'));
  EXPECT_EQ(gfx_poll(), 0);  // 3: still held, no longer pressed
  EXPECT_FALSE(pressed('X'));
  EXPECT_TRUE(keydown['X'] & 0x80);
  EXPECT_TRUE(mouse_buttons & MOUSE_WHEEL_AWAY);
  EXPECT_EQ(gfx_poll(), 0);  // 4: the wheel lasted one poll
  EXPECT_FALSE(mouse_buttons & MOUSE_WHEEL_AWAY);
  EXPECT_EQ(mouse_prev & MOUSE_WHEEL_AWAY, MOUSE_WHEEL_AWAY);
  EXPECT_EQ(gfx_inkey(), 'x');  // the key-down of X was translated into a character
  EXPECT_EQ(gfx_inkey(), 'h');
  EXPECT_EQ(gfx_inkey(), 'i');
  EXPECT_EQ(gfx_poll(), 0);  // 5
  EXPECT_FALSE(keydown['X'] & 0x80);
  EXPECT_TRUE(keyprev['X'] & 0x80);
  EXPECT_EQ(keydown['X'] & 1, 1);  // toggled once
  EXPECT_EQ(gfx_poll(), 0);  // 6
  EXPECT_TRUE(pressed(0x6B));
  EXPECT_EQ(gfx_poll(), 0);  // 7
  EXPECT_FALSE(keydown[0x6B] & 0x80);
  for (int i = 256; i < KEY_ARRAY_SIZE; i++) ASSERT_EQ(keydown[i] | keyprev[i], 0) << i;
}

TEST(Window, AltTabMinimisesAndFreezesTheKeys) {
  fresh_shell(1,
              "2 down alt\n"
              "2 down tab\n"
              "3 down q\n"
              "5 up alt\n"
              "5 up tab\n"
              "6 restore\n");
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  gfx_poll();  // 1
  gfx_poll();  // 2: Alt and Tab down together
  EXPECT_EQ(alt_tab_pending, 1);
  EXPECT_TRUE(headless_state().iconic);
  EXPECT_TRUE(keydown[0x12] & 0x80);
  gfx_poll();  // 3: minimised, Q pressed but the arrays freeze
  EXPECT_EQ(alt_tab_pending, 0);
  EXPECT_EQ(screen_w, 0);  // the minimised size message
  EXPECT_EQ(screen_h, 1);
  EXPECT_FALSE(keydown['Q'] & 0x80);
  gfx_poll();  // 4
  gfx_poll();  // 5
  EXPECT_FALSE(keydown['Q'] & 0x80);
  gfx_poll();  // 6: restored
  EXPECT_FALSE(headless_state().iconic);
  EXPECT_EQ(screen_w, 64);
  EXPECT_EQ(screen_h, 48);
  EXPECT_TRUE(keydown['Q'] & 0x80);
  EXPECT_FALSE(keydown[0x12] & 0x80);
  EXPECT_FALSE(headless_state().topmost);  // windowed: never forced on top
}

TEST(Window, FullScreenPollForcesTopmost) {
  fresh_shell(0);
  ASSERT_EQ(gfx_open(0, 0, "x"), 1);
  EXPECT_FALSE(headless_state().topmost);
  gfx_poll();
  EXPECT_TRUE(headless_state().topmost);
}

TEST(Window, QuitMessageEndsThePollWithOne) {
  fresh_shell(1, "2 char a\n2 quit\n2 char b\n");
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  EXPECT_EQ(gfx_poll(), 0);
  EXPECT_EQ(gfx_poll(), 1);
  EXPECT_STREQ(key_queue, "a");  // messages behind the quit stay queued
  EXPECT_EQ(gfx_poll(), 0);
  EXPECT_STREQ(key_queue, "ab");
}

TEST(Window, CloseEndsTheProcessWithZeroAndRestoresTheDisplay) {
  fresh_shell(1, "2 close\n");
  ASSERT_EQ(gfx_open(64, 48, "x"), 1);
  gfx_poll();
  EXPECT_EXIT(gfx_poll(), ::testing::ExitedWithCode(0), "");
  setenv("VANTOREL_TRACE", "1", 1);
  fresh_shell(0, "2 close\n");
  ASSERT_EQ(gfx_open(800, 600, "x"), 1);
  gfx_poll();
  EXPECT_EXIT(gfx_poll(), ::testing::ExitedWithCode(0), "display mode restored to 1920x1080");
  unsetenv("VANTOREL_TRACE");
}
