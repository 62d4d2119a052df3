// Example: recording a small simulation into an ".anim" file, to play it back with the player.
//
// Five balls fall, bounce on the floor and off the walls of a 320x240 box, one fixed time step a
// frame. Every frame drawn is appended to the file (bounce.anim, or the name given as the first
// argument) by the recorder, which reads the picture back from OpenGL and stores only what changed
// since the frame before. After 90 frames the file is complete and the last frame stays on show
// until Escape, Q or closing the window (a recording cut short that way keeps the frames written:
// the recorder flushes the file after each one). The strip below the box is not recorded: it
// shows the progress. Then play the file:
//
//   vantorel bounce.anim              in a window, looping (Q quits)
//   animtool info bounce.anim         frames, size and what each frame changed
//
// The file's colours come from a fixed 256-colour palette; the balls are drawn in palette colours
// (anim_palette_rgb of nearest_color), so the recording is exactly the picture drawn.
//
//   example-record_anim [FILE]            in a window
//   example-record_anim-headless [FILE]   off-screen; with VANTOREL_SCRIPT lines such as
//                                         "90 snapshot last.png" and "91 quit"

#include <cstdio>

#include <vantorel/vantorel.h>

namespace {

const uint32_t BACKGROUND = 0x000000;
const int BOX_W = 320, BOX_H = 240;  // the recorded part of the window
const int STRIP_H = 30;              // the progress line below it
const int FRAMES = 90;
const double GRAVITY = 0.35;         // pixels per frame, per frame

struct Ball {
  double x, y, vx, vy, r;
  int colour;  // 0xRRGGBB
};

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "bounce.anim";

  // Initialise: the window, the font for the progress line, the balls and the recorder.
  windowed = 1;
  if (!gfx_open(BOX_W, BOX_H + STRIP_H, "Vantorel: recording an animation")) return 1;
  font_load_builtin(FONT_BUILTIN_CAPTION, "caption", 0);

  int palette[256];
  anim_palette_rgb(palette);
  const int wanted[5] = {0xFF3030, 0x30FF30, 0x4060FF, 0xFFFF40, 0xFF40FF};
  Ball balls[5];
  for (int i = 0; i < 5; i++)
    balls[i] = Ball{40.0 + 55 * i, 30.0 + 12 * i, 1.5 + 0.7 * i, 0.0, 12.0 + 2 * i,
                    palette[nearest_color(wanted[i])]};
  const int background = palette[nearest_color(0x000000)];
  const int floor_colour = palette[nearest_color(0x808080)];

  // Version 2 of the format, frames of the box's size taken from the top left of the window.
  AnimFile recording = anim_writer_open_size(path, 2, BOX_W, BOX_H);
  if (!recording.file) {
    char message[512];
    snprintf(message, sizeof message, "Cannot write the recording '%s'.", path);
    gfx_fatal(message);  // logs to graphics_error.log, tells the user and ends the program
  }

  // The first frame starts on the background colour: gfx_present sets it and clears.
  gfx_present(BACKGROUND);
  for (;;) {
    // Update: one step of the simulation per recorded frame; the last frame stays.
    if (recording.file) {
      for (Ball& b : balls) {
        b.vy += GRAVITY;
        b.x += b.vx;
        b.y += b.vy;
        const double floor_y = BOX_H - 10 - b.r;
        if (b.y > floor_y) b.y = floor_y, b.vy = -b.vy * 0.9;
        if (b.x < b.r) b.x = b.r, b.vx = -b.vx;
        if (b.x > BOX_W - b.r) b.x = BOX_W - b.r, b.vx = -b.vx;
      }
    }

    // Draw the box, then record it before the frame is shown.
    fillbox(0, 0, BOX_W, BOX_H, uint32_t(background));
    fillbox(0, BOX_H - 10, BOX_W, 10, uint32_t(floor_colour));
    for (const Ball& b : balls) fillcircle(b.x, b.y, b.r, uint32_t(b.colour));

    char status[160];
    if (recording.file) {
      anim_encode_frame(&recording);
      snprintf(status, sizeof status, "Recording frame %d of %d", recording.frame, FRAMES);
      if (recording.frame == FRAMES) {
        anim_close(recording);
        recording = AnimFile{};  // no file: recording has ended
        printf("Recorded %d frames into %s; play them with: vantorel %s\n", FRAMES, path, path);
        fflush(stdout);
      }
    } else {
      snprintf(status, sizeof status, "Done: %s (%d frames)", path, FRAMES);
    }
    fillbox(0, BOX_H, BOX_W, STRIP_H, 0x202020);
    font_print(8, BOX_H + 5, 0, status, 0xC0C0C0);

    // Input: the messages and keys of this frame (the off-screen host takes the script's
    // snapshots here). Q, Escape or a quit message end the loop; closing the window ends
    // the program.
    if (gfx_poll() || gfx_key_down(GFX_KEY_Q) || gfx_key_down(GFX_KEY_ESCAPE)) break;
    // Show the frame and clear the drawing buffer for the next one.
    gfx_present(BACKGROUND);
    gfx_frame_end(30);
  }

  // Close: a recording cut short is closed with the frames it has.
  if (recording.file) anim_close(recording);
  gfx_shutdown();
}
