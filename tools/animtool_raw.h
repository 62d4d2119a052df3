// animtool's raw video: frames as bare 8-bit RGB (3 bytes a pixel, rows top first, one frame
// after another), the format FFmpeg reads and writes as "-f rawvideo -pix_fmt rgb24"; and the
// progress line that long runs show on standard error while it is a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// Standard input and output carry bytes unchanged (no text-mode translation where there is one).
void raw_binary_stdio();

// Encodes the frames read from `in` until it ends into a new ANIM file at path (created or
// truncated), width x height, version 1 or 2, stored with an AnimCompression at a level (0: its
// default). Returns "" or the reason: input errors (a short last
// frame, named; no frames at all) begin with "standard input", output errors do not. *frames
// receives the number of frames written.
std::string raw_encode_stream(FILE* in, int width, int height, int version, int compression,
                              int level, const std::string& path, int* frames);

// One line "<what>: N frames, F frames/s" kept up to date on standard error, only while it is a
// terminal and only once the run has lasted a moment; finished with a line feed.
struct Progress {
  const char* what = "";
  bool terminal = false, shown = false;
  std::chrono::steady_clock::time_point start, last;
};
Progress progress_start(const char* what);
void progress_update(Progress* progress, int frames);
void progress_end(Progress* progress, int frames);
