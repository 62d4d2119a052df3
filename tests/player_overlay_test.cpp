// The player's overlays drawn straight into an off-screen context: the frame-number text, and when
// the caption band is blanked (only when the caption index changes, and not after a restart that
// lands on caption 0 again).
#include "player/overlay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "anim/anim_file.h"
#include "gfx/shell_state.h"
#include "util/gl_context.h"
#include "util/test_util.h"

namespace {

constexpr int W = 640, H = 480;

class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    screen_w = W;
    screen_h = H;
    overlay_register_font();
  }
  void TearDown() override { overlay_free(); }
  // Stands for a frame painting the whole picture.
  void paint_red() {
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  vt_test::GlContext gl{W, H};
  PlayerOptions options = {};
  AnimFile anim = {};
  char text[PLAYER_TEXT_SIZE] = "";
};

TEST_F(Overlay, FrameNumberText) {
  options.show_frame_numbers = true;
  anim.frame = 7;
  anim.version = 2;
  overlay_begin();
  overlay_draw(&options, &anim, text);
  EXPECT_STREQ(text, "Frame 7\nANIM version 2 (0x0)");
}

TEST_F(Overlay, CaptionBandBlankedOnlyWhenTheIndexChanges) {
  vt_test::TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("c.txt"), "1,2,A\n5,6,B\n"));
  std::string path = dir.file("c.txt");
  options.caption_path = &path[0];
  overlay_load_captions(&options);
  // A spot inside the band (x 80..560, y from 360) that the short caption texts never reach.
  auto band = [&] { return gl.pixel(540, 362); };
  auto pass = [&](int frame) {
    paint_red();
    anim.frame = frame;
    overlay_draw(&options, &anim, text);
    return band();
  };
  overlay_begin();
  EXPECT_EQ(pass(1), 0x000000u);  // first pass: blanked
  EXPECT_EQ(pass(2), 0xFF0000u);  // same caption: drawn over itself
  EXPECT_EQ(pass(3), 0x000000u);  // moved on to the next caption
  EXPECT_EQ(pass(4), 0xFF0000u);
  overlay_restart();
  EXPECT_EQ(pass(1), 0xFF0000u);  // back on caption 0, which a restart counts as shown
  EXPECT_EQ(pass(3), 0x000000u);
  options.caption_path = nullptr;
}

}  // namespace
