// animtool without FFmpeg (the Windows build): `encode` reads PNG pictures only and `export`
// writes GIF only; every other kind of file is refused with the reason.
#include "tools/animtool_media.h"

bool media_available() { return false; }
std::string media_read_frames(const std::string&, const MediaSelect&, long*,
                              const std::function<bool(const unsigned char*, int, int)>&) {
  return "this build reads PNG pictures only (it has no FFmpeg)";
}
MediaWriter* media_writer_open(const std::string&, const std::string&, int, int, int, int, double,
                               int, std::string* error) {
  *error = "this build writes .gif only (it has no FFmpeg)";
  return nullptr;
}
std::string media_writer_frame(MediaWriter*, const unsigned char*) { return "no FFmpeg"; }
std::string media_writer_close(MediaWriter*, bool) { return ""; }
bool media_writer_knows(const std::string&) { return false; }
