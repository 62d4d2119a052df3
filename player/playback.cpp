// Second half of the start-up and the playback loop: opens the window and the animation, then
// draws one frame of changes per pass straight into the front buffer over the previous picture,
// reacts to the keys and waits on the clock until the frame's time is up.
// A wait longer than a second is cut into passes that only hold the picture, so that even an
// endless frame duration ("-fps:0") leaves the program answering its keys and the window.
#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "anim/anim_file.h"
#include "anim/decode.h"
#include "gfx/clock.h"
#include "gfx/error_log.h"
#include "gfx/keys.h"
#include "gfx/pacing.h"
#include "gfx/shell_state.h"
#include "gfx/view.h"
#include "gfx/window.h"
#include "host/host.h"
#include "player/extra_keys.h"
#include "player/overlay.h"
#include "player/playback.h"
#include "player/player.h"

namespace {

constexpr double kSpeedFactor = 1.4;
constexpr double kFastestMs = 10.0;   // faster only while above this
constexpr double kSlowestMs = 500.0;  // slower only while below this
// Longest stretch the loop stays deaf to input; longer frame times are held over several passes.
constexpr double kLongestWait = 1.0;

// Names the file and the reason (the system's, or what the file is instead), so the box and the
// log say what to fix.
[[noreturn]] void cannot_open(const char* name, int error, const char* refused) {
  std::string message = std::string("Can't open animation file '") + (name ? name : "") + "'";
  if (refused)
    message += std::string(": it is ") + refused;
  else if (error)
    message += std::string(": ") + strerror(error);
  gfx_fatal(message.c_str());
}

// Waits until the clock reaches deadline, or for kLongestWait at most: asleep for most of it, then
// busy on the clock for the last stretch. Returns true when the deadline was reached, false when
// the frame's time is still running.
bool wait_until(double deadline) {
  double limit = gfx_clock() + kLongestWait;
  double now = gfx_wait_until(deadline, limit);
  return !(now < deadline);  // a NaN deadline ends the wait at once
}

const AnimFile* g_playing = nullptr;  // the file of the running loop, for player_frame_on_screen

// The depth buffer holds only cleared values and frame pixels, all at one depth, so its test never
// rejects a frame pixel here; off, the drawing is the same and cheaper.
template <typename Draw>
int without_depth_test(Draw draw) {
  const GLboolean depth_test = glIsEnabled(GL_DEPTH_TEST);
  glDisable(GL_DEPTH_TEST);
  const int result = draw();
  if (depth_test) glEnable(GL_DEPTH_TEST);
  return result;
}

// Draws the frames kept back by the host's hold, before anything else uses the picture.
void draw_held_frames() {
  if (anim_deferred_frames()) without_depth_test(anim_draw_deferred);
}

// True when this pass's frame may wait for the next one that reaches the screen: it is played
// (not a step while paused), nothing is drawn over it (overlays) or asks for the picture (S, F11),
// and the host says the screen is behind.
bool hold_frame(const PlayerOptions* options, const AnimFile* anim) {
  return player_hold_drawing && anim->frame > 0 && !options->paused && !overlay_showing(options) &&
         !gfx_key_pressed(GFX_KEY_S) && !gfx_key_pressed(GFX_KEY_F11) && player_hold_drawing();
}

}  // namespace

int player_frame_on_screen() { return g_playing ? g_playing->frame - anim_deferred_frames() : 0; }

bool (*player_data_pending)(const AnimFile* anim) = nullptr;
bool (*player_hold_drawing)() = nullptr;

float playback_faster(float frame_ms) {
  return frame_ms > kFastestMs ? float(frame_ms / kSpeedFactor) : frame_ms;
}

float playback_slower(float frame_ms) {
  return frame_ms < kSlowestMs ? float(frame_ms * kSpeedFactor) : frame_ms;
}

void player_run(PlayerOptions* options, char* text) {
  if (!gfx_open(screen_w, screen_h, text)) return;
  host_accept_dropped_files(gfx_hwnd);  // a file dropped on the window plays in place of this one
  overlay_register_font();
  AnimFile anim = anim_open(options->file_name);
  if (!anim.file) cannot_open(options->file_name, anim.open_errno, anim.refused);
  g_playing = &anim;
  overlay_load_captions(options);
  if (!windowed) host_set_cursor_pos(0, screen_h / 2);

  int known_w = screen_w, known_h = screen_h;
  overlay_begin();
  glDrawBuffer(GL_FRONT);
  if (screen_w == 0) gfx_fatal("GRAPHICS() macro not called at LOOP start, or no resolution specified");
  gfx_poll();  // the first pass's key tests compare against this poll

  int quit = 0;
  double frame_deadline = 0.0;
  bool holding = false;  // the last pass ended before its frame's time was up
  while (!quit) {
    // The deadline is taken before drawing, so drawing is part of the frame's time.
    if (!holding) frame_deadline = gfx_clock() + 0.001 * options->frame_ms;

    if (screen_w != known_w || screen_h != known_h) {
      draw_held_frames();
      glClear(GL_DEPTH_BUFFER_BIT);  // the picture stays; the next frames paint over it
      known_w = screen_w;
      known_h = screen_h;
      anim_rewind(&anim);  // a pipe cannot start again: it plays on over the old picture
      if (holding) frame_deadline = gfx_clock() + 0.001 * options->frame_ms;
      holding = false;  // frame 1 comes next, with a time of its own
    }

    if (extra_keys_take_drop(options, &anim, text)) {
      draw_held_frames();  // the old file's last frames go under the blank picture
      // Another file plays from its first frame on a blank picture; the captions stay.
      gfx_present_twice(0x000000);
      glDrawBuffer(GL_FRONT);
      overlay_restart();
      if (holding) frame_deadline = gfx_clock() + 0.001 * options->frame_ms;
      holding = false;
    }

    int more = 1;
    bool held = false;  // this pass's frame waits to be drawn with a later one
    // A file still arriving holds its picture until the next frame is there, rather than end.
    const bool starving = player_data_pending && player_data_pending(&anim);
    // A held frame still has time on screen; frame 0 (after opening or rewinding) is always drawn.
    if (!starving &&
        ((!options->paused && !holding) || anim.frame == 0 || extra_keys_step(options))) {
      held = hold_frame(options, &anim);
      more = without_depth_test([&] {
        return held ? anim_next_frame_deferred(&anim) : anim_next_frame(&anim);
      });
    }
    if (!held || !more) draw_held_frames();

    if (!more || gfx_key_pressed(GFX_KEY_R)) {
      draw_held_frames();
      // A pipe cannot start again, so it ends its one round like -once.
      if (options->play_once || !anim_rewind(&anim)) exit(0);
      gfx_present_twice(0x000000);
      glDrawBuffer(GL_FRONT);
      overlay_restart();
      if (holding) frame_deadline = gfx_clock() + 0.001 * options->frame_ms;
      holding = false;
    }

    if (gfx_key_pressed(GFX_KEY_F)) options->show_frame_numbers = !options->show_frame_numbers;
    if (extra_keys_pause_pressed()) options->paused = !options->paused;  // P or Space
    if (gfx_key_pressed(GFX_KEY_KP_ADD) || gfx_key_pressed(GFX_KEY_X))
      options->frame_ms = playback_faster(options->frame_ms);
    if (gfx_key_pressed(GFX_KEY_KP_SUBTRACT) || gfx_key_pressed(GFX_KEY_Z))
      options->frame_ms = playback_slower(options->frame_ms);

    overlay_draw(options, &anim, text);
    gfx_draw_front();
    extra_keys_after_frame();  // S and F11 see the finished picture

    // Every pass that starts with frame 1 on screen lasts the delay longer (held passes already
    // carry it in their deadline).
    if (!holding && anim.frame == 1) frame_deadline += options->first_frame_delay;

    holding = !wait_until(frame_deadline);

    quit |= gfx_poll() | gfx_key_down(GFX_KEY_Q) | gfx_key_down(GFX_KEY_ESCAPE);
  }
  overlay_free();
  g_playing = nullptr;
  anim_close(anim);
}
