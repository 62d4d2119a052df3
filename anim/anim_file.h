// AnimFile: one ANIM file open for playing or for recording, and opening, rewinding and closing it.
// A file is version 2 exactly when it starts with "ANIM2" and a zero byte; every other file is
// version 1 data read from its first byte. A path that cannot be opened leaves `file` null and the
// system's reason in `open_errno`; every operation then treats the file as empty.
#pragma once

#include <cstdio>

constexpr int ANIM_HEADER_SIZE = 6;  // "ANIM2" and its zero byte
constexpr int ANIM_MAX_SIZE = 2048;  // coordinates in the file carry 11 bits (0..2047)

struct AnimFile {
  FILE* file;               // owned stream; null when the path could not be opened
  int frame;                // frames decoded since opening or rewinding, or frames written
  int version;              // 1 or 2
  int width, height;        // recording size; 0 when reading
  unsigned char** columns;  // recording: `width` columns of `height` indices (y = 0 top); else null
  int open_errno;           // errno of the failed open (EINVAL: size or version refused); else 0
};

// Opens path for reading ("rb") and positions the stream at the first frame.
AnimFile anim_open(const char* path);

// Back to the first frame (offset 0 for version 1, 6 otherwise), end-of-file state cleared,
// frame 0.
void anim_rewind(AnimFile* anim);

// Closes the stream and frees the columns of a recorder.
void anim_close(AnimFile anim);

// Opens path for recording frames of the current drawing size (screen_w x screen_h); writes the
// header at once for version 2. Lives with the screen capture (encode_gl.cpp).
AnimFile anim_writer_open(const char* path, int version);

// The same with an explicit size. Refuses (no file is created, `file` null, `open_errno` EINVAL)
// a width or height below 1 or above ANIM_MAX_SIZE and a version other than 1 or 2.
AnimFile anim_writer_open_size(const char* path, int version, int width, int height);
