// ANIM frame encoding: appends the differences between a new picture and the recorder's previous
// frame (its `columns`). Version 1 writes one record per changed pixel; version 2 walks the 8x8
// blocks from the right column and bottom row and writes each changed block as single points, a
// sparse list or a palette block, whichever costs fewest bytes. Pixels outside a picture whose
// size is not a multiple of 8 count as unchanged and are never read or written.
#pragma once

#include "anim_file.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Appends one frame from a picture of palette indices of the recorder's size: row y starts at
// index + y * stride, y = 0 the top row. Writes the frame, flushes the stream, updates `columns`
// and adds 1 to `frame`. A recorder that never opened is left alone.
VT_API void anim_encode_indices(AnimFile* anim, const unsigned char* index, int stride);

// Appends one frame read back from the current OpenGL read buffer: the recorder's width x height
// pixels at the top-left of the drawing area, each quantised with nearest_color (encode_gl.cpp).
// Where the box reaches past the drawing area (screen_w x screen_h) the frame is black.
VT_API void anim_encode_frame(AnimFile* anim);

VT_END_DECLS
