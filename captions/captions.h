// Captions: timed lines of text read from a caption file ("first,last,text" per line) and the
// drawing of the caption that belongs to a frame, white with a dark one-pixel outline in a band
// one eighth of the width from the left and three quarters of the height down.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "../support/dyn_array.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

typedef struct Caption Caption;
struct Caption {
  int32_t first_frame;  // first frame on which the caption shows
  int32_t last_frame;   // last frame on which it shows (inclusive)
  char* text;           // owned heap string
};

// One line of an open stream as a new heap string without its terminator (line feed, carriage
// return, CR LF or NUL), or null at the end of the file or after a read error. The last line
// needs no terminator. Reads each byte once, without seeking, so any readable stream works.
VT_API char* file_getline(FILE* f);

// Reads a caption file into a list of Caption in file order. Lines without a comma are skipped;
// a line with one comma gives a caption with an empty text; a file that cannot be opened gives an
// empty list. Frame numbers beyond the 32-bit range are held at its limits.
VT_API DynArray load_captions(const char* path);

// Draws the caption for frame number `frame`, if one shows, in the "caption" font at 5 % of the
// window height. Returns the index of the first caption whose last frame is not below the frame,
// or the list's count.
VT_API unsigned draw_caption(DynArray list, float frame);

// Frees every caption text, last first, then the list.
VT_API void free_captions(DynArray list);

VT_END_DECLS
