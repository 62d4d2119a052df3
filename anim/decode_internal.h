// Counters of the GL frame path, kept for the tests and benchmarks that check which way frames
// went and what they cost. Not part of the library's interface.
#pragma once

#include "anim/decode.h"

// Frames that anim_next_frame has drawn as one image since the program started (the others went
// as points). Lets tests and benchmarks see which way frames went.
extern long anim_gl_image_frames;
// Rectangles those frames were drawn in since the program started: lets benchmarks see how many
// calls a frame costs.
extern long anim_gl_image_rects;
// Pixels those rectangles covered (changed or not) since the program started: the overdraw.
extern long anim_gl_image_pixels;
// Of those rectangles, the ones copied with glBlitFramebuffer rather than drawn.
extern long anim_gl_image_blits;
