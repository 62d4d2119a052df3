// Streams over gzip- and zstd-compressed .anim files, inside the library only: a FILE* that
// decompresses as it is read (and starts over when asked to seek back), one that compresses as it
// is written, and one that hands back bytes already taken from a pipe. With glibc they stand on
// fopencookie, so the decoder reads a compressed file through the same buffered stream as a plain
// one; on Windows a compressed file is decompressed into a temporary file instead.
#pragma once

#include <stddef.h>
#include <stdio.h>

// Whether this platform can make the streams below at all.
bool anim_stream_cookies();

// Whether this build can make the streams below for a compression (an AnimCompression): reading.
bool anim_stream_can(int compression);

// Whether this build can also write a compression (Windows has zstd's decompressor only).
bool anim_stream_can_write(int compression);

// The compression a file's first bytes announce: ANIM_GZIP, ANIM_ZSTD or ANIM_PLAIN.
int anim_compression_of(const unsigned char* head, size_t len);

// A stream of the decompressed bytes of raw, which it owns from then on (closed with it). prefix
// holds bytes already read from raw that belong before its current position (a pipe that was
// looked at). Seeking forward skips; seeking back starts over, which a pipe cannot. Null, raw left
// open, when this build lacks the compression.
FILE* anim_decompressing(FILE* raw, int compression, const unsigned char* prefix, size_t len);

// A stream whose writes reach raw compressed at level (0: gzip 9, zstd 19); anim_stream_close
// finishes the compressed data and closes raw (on Windows the data is compressed only then).
// Null, raw left open, when this build lacks the compression.
FILE* anim_compressing(FILE* raw, int compression, int level);

// A stream that reads prefix, then the rest of raw (a pipe whose first bytes were looked at).
// Owns raw. Null when the platform cannot make such a stream.
FILE* anim_replaying(FILE* raw, const unsigned char* prefix, size_t len);

// Whether reading f failed: an error, or (Windows) the end of a copy whose compressed data was
// damaged or cut short.
bool anim_stream_failed(FILE* f);

// Lets go of what is known about f before it is closed.
void anim_stream_forget(FILE* f);

// Closes a stream of this file (or any FILE*) as fclose does, finishing a compressing one: 0, or
// EOF with errno when writing failed.
int anim_stream_close(FILE* f);

// A temporary file, read and written, that is deleted when closed: in the user's temporary folder
// on Windows (the C runtime's tmpfile() uses the drive's root, which ordinary users may not write
// to), tmpfile() elsewhere. Null with errno when none can be made.
FILE* anim_temporary_file();
