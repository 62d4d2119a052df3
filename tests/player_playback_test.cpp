// Playback loop, run in-process on the headless host: the speed sequences, one speed step per
// press however long the key is held, the picture after a loop and a restart, and frame durations
// that are endless, not a number or negative still leaving the loop answering Q.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "host/headless/headless_host.h"
#include "player/playback.h"
#include "player/player.h"
#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

// A version 2 file whose frame k (from 0) fills block (k, k % 4) with palette index 40 + 20k.
std::string blocks_anim(int frames) {
  std::vector<std::vector<vt_test::BlockFill>> fills;
  for (int k = 0; k < frames; k++) fills.push_back({{k, k % 4, 40 + 20 * k}});
  return vt_test::block_fill_anim(fills);
}

PlayerOptions options_for(char* file) {
  return PlayerOptions{file, 40.0f, false, false, false, nullptr, 0.0f};
}

void fresh_host(const std::string& script) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the GL driver's threads do not survive fork
  headless_reset();
  headless_set_script(script);
  gfx_hwnd = nullptr;
  gfx_hdc = nullptr;
  gfx_hglrc = nullptr;
  windowed = 1;
  screen_w = 64;
  screen_h = 48;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(Playback, SpeedSequences) {
  const double faster[] = {28.571, 20.408, 14.577, 10.412, 7.437, 7.437};
  float ms = 40.0f;
  for (double expect : faster) {
    ms = playback_faster(ms);
    EXPECT_NEAR(ms, expect, 0.0005);
  }
  const double slower[] = {56, 78.4, 109.76, 153.664, 215.13, 301.181, 421.654, 590.316, 590.316};
  ms = 40.0f;
  for (double expect : slower) {
    ms = playback_slower(ms);
    EXPECT_NEAR(ms, expect, 0.0005);
  }
}

TEST(Playback, HeldKeyStepsOnceAndTheLoopRestartsAfterTheEnd) {
  vt_test::TempDir dir;
  std::string path = dir.file("three.anim");
  ASSERT_TRUE(vt_test::write_file(path, blocks_anim(3)));
  // Passes 1-3 draw the frames, 4 finds the end one call late, 5 blanks, 6-8 draw again.
  fresh_host("2 down x\n6 up x\n7 down z\n9 down q\n");
  PlayerOptions o = options_for(path.data());
  player_run(&o, std::string("title").data());
  EXPECT_NEAR(o.frame_ms, 40.0 / 1.4 * 1.4, 0.001);  // one step each way
  EXPECT_EQ(headless_state().polls, 9);

  std::vector<uint32_t> picture(64 * 48);
  for (int y = 0; y < 48; y++)
    for (int x = 0; x < 64; x++) picture[y * 64 + x] = headless_pixel(x, y);
  const std::vector<uint32_t>& colour = vt_test::gl_palette_colours();
  std::vector<unsigned char> expect = vt_test::canvas_after(path, 64, 48, 3);
  int wrong = 0;
  for (int i = 0; i < 64 * 48; i++) wrong += picture[i] != colour[expect[i]];
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(picture[8 * 64 + 8], colour[60]);  // frame 2's block at (8, 8)
}

TEST(Playback, EndlessFrameDurationStillAnswersQ) {
  vt_test::TempDir dir;
  std::string path = dir.file("one.anim");
  ASSERT_TRUE(vt_test::write_file(path, blocks_anim(2)));
  fresh_host("3 down q\n");
  PlayerOptions o = options_for(path.data());
  o.frame_ms = INFINITY;  // "-fps:0"
  auto start = std::chrono::steady_clock::now();
  player_run(&o, std::string("t").data());
  EXPECT_LT(seconds_since(start), 30.0);
  EXPECT_EQ(headless_state().polls, 3);
  EXPECT_EQ(headless_pixel(0, 0), vt_test::gl_palette_colours()[40]);  // frame 1 is shown
  EXPECT_EQ(headless_pixel(8, 8), 0u);  // and held: frame 2 never came
}

TEST(Playback, NotANumberAndNegativeDurationsRunWithoutWaiting) {
  vt_test::TempDir dir;
  std::string path = dir.file("two.anim");
  ASSERT_TRUE(vt_test::write_file(path, blocks_anim(2)));
  for (float ms : {NAN, -200.0f, 0.0f}) {
    fresh_host("2 down x\n3 down subtract\n20 down esc\n");
    PlayerOptions o = options_for(path.data());
    o.frame_ms = ms;
    o.first_frame_delay = std::isnan(ms) ? NAN : -1.0f;
    auto start = std::chrono::steady_clock::now();
    player_run(&o, std::string("t").data());
    EXPECT_LT(seconds_since(start), 10.0);
    EXPECT_EQ(headless_state().polls, 20);
    if (std::isnan(ms)) EXPECT_TRUE(std::isnan(o.frame_ms));
    else EXPECT_NEAR(o.frame_ms, ms * 1.4, 1e-3);  // not above 10 ms: only slower acts
  }
}

TEST(Playback, UnopenableAnimationIsFatalAndNamed) {
  // The death test runs in a fresh copy of this program, so the folder's name must come out the
  // same there: it is named after this program's path, which also keeps apart two build trees
  // testing at once on one machine.
  char exe[4096] = {};
  if (readlink("/proc/self/exe", exe, sizeof exe - 1) < 0) exe[0] = 0;
  std::string dir = ::testing::TempDir() + "vantorel_playback_fatal_" +
                    std::to_string(std::hash<std::string>()(exe));
  mkdir(dir.c_str(), 0755);
  std::string log_path = dir + "/graphics_error.log";
  fresh_host("");
  std::string name = "no such.anim";
  PlayerOptions o = options_for(name.data());
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) exit(3);
        unlink("graphics_error.log");
        player_run(&o, std::string("t").data());
        exit(4);
      },
      ::testing::ExitedWithCode(1), "Oh sod it: Can't open animation file 'no such.anim': No such file or directory");
  std::string log = vt_test::read_file(log_path);
  EXPECT_NE(log.find(" Can't open animation file 'no such.anim': No such file or directory\n"), std::string::npos) << log;
  unlink(log_path.c_str());
  rmdir(dir.c_str());
}

TEST(Playback, ZeroHeightEndsQuietly) {
  fresh_host("");
  screen_h = 0;  // "-res:640X480" leaves the height 0
  screen_w = 640;
  PlayerOptions o = options_for(nullptr);
  player_run(&o, std::string("t").data());  // returns without opening anything
  EXPECT_FALSE(headless_state().window_exists);
}
