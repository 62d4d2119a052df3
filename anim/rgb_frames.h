// ANIM files as RGB pictures, behind opaque handles, for callers in other languages (Python's
// ctypes, cffi, any C foreign-function interface) that must not depend on the layout of AnimFile
// or AnimSink. A reader paints every frame onto a black picture exactly as `animtool render`
// does; a writer quantises RGB pictures exactly as `animtool encode` does. Nothing here ends the
// process: failures return 0 (or null) and leave their message in anim_rgb_error().
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// A file open for reading frames as pictures (opaque).
typedef struct AnimRgbReader AnimRgbReader;
// A file open for writing frames from pictures (opaque).
typedef struct AnimRgbWriter AnimRgbWriter;

// The message of the last failure of any call below: what failed and why, naming the file
// ("x.anim: No such file or directory"). Empty before the first failure.
VT_API const char* anim_rgb_error(void);

// Opens path for reading. Null on failure (a missing file, a folder, ...).
VT_API AnimRgbReader* anim_rgb_reader_open(const char* path);

// The file's version, 1 or 2.
VT_API int anim_rgb_reader_version(const AnimRgbReader* reader);

// Decodes the whole file once and rewinds it: the extent (the smallest picture from the top-left
// corner that holds every pixel the file draws), the number of frames and the file's size in
// bytes. Returns 0 for a file that no recorder can have written (pixels past 2048x2048, the
// largest picture a file holds): it is not an animation. The results are kept; a second call
// costs nothing. Any pointer may be null.
VT_API int anim_rgb_reader_scan(AnimRgbReader* reader, int* width, int* height, long* frames,
                                long long* bytes);

// Sets the picture that frames are painted on (1 to 8192 each side), all black, and rewinds.
// Pixels outside it are dropped. Returns 0 for a size out of range or no memory.
VT_API int anim_rgb_reader_set_size(AnimRgbReader* reader, int width, int height);

// Decodes the next frame onto the picture and, when rgb is not null, copies the picture into it
// as 3 bytes a pixel, rows top first (width x height x 3 bytes). Returns 1 for a frame, 0 at the
// end of the file (the picture unchanged).
VT_API int anim_rgb_reader_next(AnimRgbReader* reader, unsigned char* rgb);

// The picture's palette indices, width x height, rows top first; valid until the next call.
VT_API const unsigned char* anim_rgb_reader_indices(const AnimRgbReader* reader);

// The last frame's changes as `animtool info` counts them: pixels drawn (64 for a block), bytes
// of the file it took, and its bounding box x0, y0, x1, y1 (inclusive; all -1 without pixels).
VT_API void anim_rgb_reader_frame_info(const AnimRgbReader* reader, long* pixels, long* bytes,
                                       int box[4]);

// How often each version 2 code occurred since the reader opened or rewound, in the order
// points, kind4, kind5, kind6, kind7, kind8, kind9, kind10, skipped.
VT_API void anim_rgb_reader_codes(const AnimRgbReader* reader, long counts[9]);

// Back to the first frame with a black picture. Returns 0 when the file cannot go back.
VT_API int anim_rgb_reader_rewind(AnimRgbReader* reader);

// Closes the file and frees the reader (null is allowed).
VT_API void anim_rgb_reader_close(AnimRgbReader* reader);

// Creates (or truncates) path for frames of width x height (1 to 2048 each), version 1 or 2.
// Null on failure.
VT_API AnimRgbWriter* anim_rgb_writer_open(const char* path, int version, int width, int height);

// The same, the file stored compressed: compression 0 plain, 1 gzip, 2 zstd, at a level (gzip 1
// to 9, zstd 1 to 22; 0 the default). Null, creating nothing, for a compression this build lacks.
VT_API AnimRgbWriter* anim_rgb_writer_open_compressed(const char* path, int version, int width,
                                                      int height, int compression, int level);

// Appends one frame from an RGB picture of the writer's size, 3 bytes a pixel, rows top first,
// stride bytes from one row to the next, each pixel quantised to the palette with
// nearest_color. Returns 0 on a write error.
VT_API int anim_rgb_writer_add(AnimRgbWriter* writer, const unsigned char* rgb, long stride);

// Appends one frame from palette indices, width x height, rows top first, stride bytes apart.
// Returns 0 on a write error.
VT_API int anim_rgb_writer_add_indices(AnimRgbWriter* writer, const unsigned char* index,
                                       long stride);

// Appends one frame read back from the current OpenGL read buffer, as anim_encode_frame does:
// the writer's width x height pixels at the top-left of the drawing area (a window must be
// open). Returns 0 on a write error.
VT_API int anim_rgb_writer_add_screen(AnimRgbWriter* writer);

// Frames written so far.
VT_API int anim_rgb_writer_frames(const AnimRgbWriter* writer);

// Closes the file and frees the writer (null is allowed). Returns 0 when the file could not be
// written completely.
VT_API int anim_rgb_writer_close(AnimRgbWriter* writer);

VT_END_DECLS
