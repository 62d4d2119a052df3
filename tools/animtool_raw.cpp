// Raw RGB frames to ANIM files, and the progress line. A frame is read whole or not at all: a
// stream that ends inside a frame is reported with the frame's number rather than padded, since
// a guessed rest of a picture would be wrong data in the file.
#include "tools/animtool_raw.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "anim/anim_file.h"
#include "anim/compressed.h"
#include "anim/encode.h"
#include "anim/palette.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr double kQuietSeconds = 1.0;     // runs shorter than this show nothing
constexpr double kUpdateSeconds = 0.25;  // between two updates of the line

// Reads up to size bytes, across short reads of pipes; returns the bytes read.
size_t read_full(FILE* in, unsigned char* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    size_t n = fread(data + got, 1, size - got, in);
    if (n == 0) break;
    got += n;
  }
  return got;
}

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

void raw_binary_stdio() {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::string raw_encode_stream(FILE* in, int width, int height, int version, int compression,
                              int level, const std::string& path, int* frames) {
  *frames = 0;
  const size_t frame_bytes = size_t(width) * size_t(height) * 3;
  std::vector<unsigned char> rgb(frame_bytes), index(size_t(width) * size_t(height));
  AnimFile rec =
      anim_writer_open_compressed(path.c_str(), version, width, height, compression, level);
  if (!rec.file) return strerror(rec.open_errno ? rec.open_errno : EIO);
  Progress progress = progress_start("encode");
  std::string error;
  for (;;) {
    size_t got = read_full(in, rgb.data(), frame_bytes);
    if (got == 0 && !ferror(in)) break;
    if (ferror(in)) {
      error = "standard input: read error (" + std::string(strerror(errno ? errno : EIO)) + ")";
      break;
    }
    if (got < frame_bytes) {
      error = "standard input: frame " + std::to_string(rec.frame + 1) + " is short (" +
              std::to_string(got) + " of " + std::to_string(frame_bytes) + " bytes for " +
              std::to_string(width) + "x" + std::to_string(height) + ")";
      break;
    }
    for (int y = 0; y < height; y++)
      anim_quantise_row(&rgb[size_t(y) * width * 3], width, &index[size_t(y) * width]);
    anim_encode_indices(&rec, index.data(), width);
    if (ferror(rec.file)) {
      error = "write error (" + std::string(strerror(errno ? errno : EIO)) + ")";
      break;
    }
    progress_update(&progress, rec.frame);
  }
  progress_end(&progress, rec.frame);
  if (error.empty() && rec.frame == 0) error = "standard input: no frames (the input was empty)";
  *frames = rec.frame;
  bool bad = ferror(rec.file) != 0;
  bad |= anim_stream_close(rec.file) != 0;
  rec.file = nullptr;
  anim_close(rec);
  if (error.empty() && bad) error = "write error (" + std::string(strerror(errno ? errno : EIO)) + ")";
  return error;
}

Progress progress_start(const char* what) {
  Progress p;
  p.what = what;
  p.terminal = isatty(2) != 0;
  p.start = p.last = std::chrono::steady_clock::now();
  return p;
}

void progress_update(Progress* p, int frames) {
  if (!p->terminal) return;
  auto now = std::chrono::steady_clock::now();
  double run = seconds(now - p->start);
  if (run < kQuietSeconds || seconds(now - p->last) < kUpdateSeconds) return;
  p->last = now;
  p->shown = true;
  fprintf(stderr, "\r%s: %d frames, %.1f frames/s ", p->what, frames, frames / run);
  fflush(stderr);
}

void progress_end(Progress* p, int frames) {
  if (!p->shown) return;
  double run = seconds(std::chrono::steady_clock::now() - p->start);
  fprintf(stderr, "\r%s: %d frames, %.1f frames/s \n", p->what, frames, run > 0 ? frames / run : 0.0);
}
