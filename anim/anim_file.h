// AnimFile: one ANIM file open for playing or for recording, and opening, rewinding and closing it.
// A file is version 2 exactly when it starts with "ANIM2" and a zero byte; every other file is
// version 1 data read from its first byte. A file compressed with gzip or zstd is read through its
// decompression, told by its first bytes whatever its name. A file that starts like another common
// format (a PNG image, a program, a web page, ...) is refused rather than read as version 1. A path that cannot be opened (a folder included) leaves
// `file` null and the system's reason in `open_errno`; every operation then treats the file as
// empty. A stream that cannot seek back (a pipe, a FIFO) keeps the bytes read to tell the version
// for the decoder, so it decodes exactly like a file.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "../support/vt_api.h"
#include "format.h"

VT_BEGIN_DECLS

// How an .anim file is stored on disk.
enum AnimCompression {
  ANIM_PLAIN = 0,  // the bytes as they are
  ANIM_GZIP = 1,   // gzip (RFC 1952), as gzip and zlib write it
  ANIM_ZSTD = 2    // Zstandard, as zstd writes it
};

// One ANIM file open for playing or for recording.
typedef struct AnimFile AnimFile;
struct AnimFile {
  FILE* file;               // owned stream; null when the path could not be opened
  int frame;                // frames decoded since opening or rewinding, or frames written
  int version;              // 1 or 2
  int width, height;        // recording size; 0 when reading
  unsigned char** columns;  // recording: `width` columns of `height` indices (y = 0 top); else null
  int open_errno;           // errno of the failed open (EINVAL: size or version refused); else 0
  // Reading a stream that cannot seek back: the bytes looked at to tell the version, which still
  // belong to the first frame of a version 1 file, and how many of them the decoder has taken.
  unsigned char peeked[ANIM_HEADER_SIZE];
  int peeked_len, peeked_used;  // bytes in peeked; how many of them the decoder has taken
  long long offset;  // reading: bytes of the file taken so far, header included (decompressed)
  int compression;   // an AnimCompression: how the file is stored (read or written)
  // Reading a file refused for what it is: why, to follow "it is " in a message, such as
  // "a PNG image, not an .anim animation"; `file` is then null. Null otherwise.
  const char* refused;
};

// fopen(path, "rb"), except that a folder is refused as it is on Windows: null, errno EISDIR.
VT_API FILE* anim_fopen_read(const char* path);

// Opens path for reading ("rb") and positions the stream at the first frame. A compressed file is
// decompressed as it is read; one that starts like another format is refused (see `refused`).
VT_API AnimFile anim_open(const char* path);

// The same for a stream already open for reading at its first byte (a memory stream from
// fmemopen, a pipe, ...), which the AnimFile then owns: anim_close closes it. A null stream gives
// the AnimFile of a path that could not be opened (open_errno EBADF).
VT_API AnimFile anim_open_stream(FILE* stream);

// Back to the first frame (offset 0 for version 1, 6 otherwise), end-of-file state cleared,
// frame 0. Returns 0, changing nothing, when the stream cannot go back (a pipe past its first
// frame); 1 otherwise.
VT_API int anim_rewind(AnimFile* anim);

// True when the next anim_decode_frame returns 0: the stream is at its end or failed (or never
// opened) and no peeked byte is left.
VT_API bool anim_at_end(const AnimFile* anim);

// What kind of file head (its first len bytes; 1024 are enough) belongs to when it is one of the
// common formats mistaken for an .anim file, such as "a PNG image" or "an HTML document"; null
// otherwise. Compressed files are not named here: they are read.
VT_API const char* anim_foreign_format(const unsigned char* head, size_t len);

// Whether this build writes, and so also reads, files of an AnimCompression (plain always; gzip and
// zstd where the libraries were built in). The Windows build reads zstd files without writing them.
VT_API int anim_compression_available(int compression);

// Closes the stream and frees the columns of a recorder.
VT_API void anim_close(AnimFile anim);

// Opens path for recording frames of the current drawing size (screen_w x screen_h); writes the
// header at once for version 2. Lives with the screen capture (encode_gl.cpp).
VT_API AnimFile anim_writer_open(const char* path, int version);

// The same with an explicit size. Refuses (no file is created, `file` null, `open_errno` EINVAL)
// a width or height below 1 or above ANIM_MAX_SIZE and a version other than 1 or 2.
VT_API AnimFile anim_writer_open_size(const char* path, int version, int width, int height);

// The same, stored with an AnimCompression at a level (gzip 1..9, zstd 1..22; 0 chooses gzip 9 or
// zstd 19). A compressed recording is complete only after anim_close. Refuses (EINVAL, nothing
// created) a compression this build lacks or a level out of range. Recordings are plain unless
// asked otherwise.
VT_API AnimFile anim_writer_open_compressed(const char* path, int version, int width, int height,
                                            int compression, int level);

VT_END_DECLS
