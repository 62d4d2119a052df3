// ANIM frame decoding. anim_decode_frame reads one frame of an AnimFile opened for reading and
// hands every decoded pixel, in file order, to a sink: OpenGL (anim_next_frame, decode_gl.cpp), a
// memory canvas (canvas.h) or anything else. Version 1 frames end where x decreases; version 2
// frames end at the byte 254. The end of the file is seen one call late, as the player expects.
#pragma once

#include "anim_file.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Where decoded pixels go. Coordinates are pixels, origin top-left, y down; they may lie outside
// any picture (negative, or up to 2047 and beyond for blocks); a sink drops what it cannot show.
typedef struct AnimSink AnimSink;
struct AnimSink {
  void* user;  // handed to every call below
  // One pixel: single points, version 1 records and the listed pixels of sparse blocks.
  void (*pixel)(void* user, int x, int y, int index);
  // A whole 8x8 block whose top-left pixel is (x, y); index[row * 8 + column].
  void (*block)(void* user, int x, int y, const unsigned char* index);
  // A whole 8x8 block in one colour; may be null, then block is called instead.
  void (*fill)(void* user, int x, int y, int index);
  // Told every code byte of a version 2 frame before its operands (not the end byte 254); may be
  // null. Lets tools count what a file is made of.
  void (*code)(void* user, int code);
};

// Reads and delivers one frame. Returns 0, delivering nothing, when the stream had already reached
// its end (or a read error, or the file never opened); otherwise adds 1 to anim->frame and
// returns 1. A code whose operands are cut off by the end of the file delivers none of its pixels
// and ends the frame; the next call returns 0.
VT_API int anim_decode_frame(AnimFile* anim, const AnimSink* sink);

// Decodes and draws the next frame into the current OpenGL draw buffer, over what is there: each
// pixel in its palette colour as if drawn as one point at (x + 0.1, y + 0.1) in the top-left pixel
// projection. Same results as anim_decode_frame.
VT_API int anim_next_frame(AnimFile* anim);

// For a program that decodes faster than its screen shows frames: decodes the next frame like
// anim_next_frame but keeps its pixels, with those of the frames deferred after it, until
// anim_draw_deferred or the next anim_next_frame draws them all at once, as one frame writing their
// pixels in order. The picture is the same as drawing each frame in turn, provided nothing else
// draws in the meantime and the GL state and viewport stay as they were; so call
// anim_draw_deferred before drawing anything over the animation, reading the picture, rewinding
// or closing the file. Where the GL state would send frames down the point path, the frame is
// drawn at once. Returns what anim_next_frame returns.
VT_API int anim_next_frame_deferred(AnimFile* anim);

// Draws the frames anim_next_frame_deferred kept; returns how many they were (0: nothing to do).
VT_API int anim_draw_deferred(void);

// How many decoded frames are kept undrawn: the frame on screen is anim->frame less this.
VT_API int anim_deferred_frames(void);

// One point of the frame's GL_POINTS batch: anim_color of index, then a vertex at
// (x + 0.1, y + 0.1).
VT_API void anim_plot(int x, int y, int index);

// How anim_next_frame reaches OpenGL.
enum AnimGlPath {
  ANIM_GL_FAST = 0,    // default: the frame's pixels in one image, the changed parts drawn as
                       // textured quads (or glDrawPixels) and points when the GL state makes that
                       // identical to points alone, else ANIM_GL_POINTS
  ANIM_GL_POINTS = 1,  // one glBegin(GL_POINTS) batch per frame, anim_plot per pixel
};
extern VT_API int anim_gl_path;  // an AnimGlPath; ANIM_GL_FAST unless changed

VT_END_DECLS
