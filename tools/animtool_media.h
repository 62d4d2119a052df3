// animtool's conversions: `export` writes an ANIM file as a GIF (our own writer, every build) or,
// where FFmpeg's libraries are linked, as animated PNG, WebP or video; and, with FFmpeg, `encode`
// reads frames from anything FFmpeg reads. The Windows build has no FFmpeg and keeps to PNG.
#pragma once

#include <functional>
#include <string>

// What `encode` keeps of a video or animation read through FFmpeg.
struct MediaSelect {
  int width = 0, height = 0;  // --size: frames scaled to this; 0 keeps the input's size
  double start = 0.0;         // --start: seconds of the input skipped
  long frames = -1;           // --frames: at most this many frames kept (-1: all)
  long every = 1;             // --every K: one frame in K kept
  double fps = 0.0;           // --fps: frames dropped down to this rate (0: none)
};

// True when this animtool was built with FFmpeg's libraries.
bool media_available();

// Decodes the video of path (a file, or an image sequence named by a pattern such as
// frames%04d.png) and hands each kept frame as 8-bit RGB (rows top first) to frame, which
// returns false to stop. *kept counts the kept frames and carries on from its value, so several
// inputs share one --every and --frames count. Returns "" or the reason of a failure.
std::string media_read_frames(
    const std::string& path, const MediaSelect& select, long* kept,
    const std::function<bool(const unsigned char* rgb, int width, int height)>& frame);

// `animtool export IN.anim OUT [options]`: the whole command (argc and argv after "export").
int command_export(int argc, char** argv);
extern const char* const export_help;

// An open FFmpeg output of RGB frames (APNG, WebP, MP4, WebM, MKV), see animtool_media.cpp.
struct MediaWriter;
// Opens path for frames of width x height scaled to out_width x out_height, at fps frames a
// second, in the kind of file the extension of `named` gives (path may be a temporary beside
// it); crf below 0 takes the format's default. Null with *error.
MediaWriter* media_writer_open(const std::string& path, const std::string& named, int width,
                               int height, int out_width, int out_height, double fps, int crf,
                               std::string* error);
// Appends one frame of 8-bit RGB; returns "" or the reason.
std::string media_writer_frame(MediaWriter* writer, const unsigned char* rgb);
// Finishes the file (when finish) and frees the writer; returns "" or the reason.
std::string media_writer_close(MediaWriter* writer, bool finish);
// True when media_writer_open knows the extension of path.
bool media_writer_knows(const std::string& path);
