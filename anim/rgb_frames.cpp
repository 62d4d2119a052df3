// Opaque readers and writers of ANIM files as RGB pictures. The reader decodes onto a memory
// canvas of indices and maps them through the palette's byte table, as animtool render does; it
// counts each frame's pixels, bytes and box on the way, as animtool info does. The writer
// quantises with the same row quantiser as animtool encode, so both give the same bytes.
#include "anim/rgb_frames.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/compressed.h"
#include "anim/decode.h"
#include "anim/encode.h"
#include "anim/format.h"
#include "anim/palette.h"

namespace {

std::string last_error;

int fail(const std::string& message) {
  last_error = message;
  return 0;
}

std::string reason(int err) { return std::strerror(err ? err : EIO); }

// Picture sizes a reader paints on; larger ones would cost more memory than any file needs.
constexpr int kMaxPicture = 8192;

// What one frame changed, in animtool info's terms.
struct FrameStats {
  long pixels = 0, bytes = 0;
  int x0 = -1, y0 = -1, x1 = -1, y1 = -1;
};

}  // namespace

struct AnimRgbReader {
  AnimFile anim;
  std::string path;
  // The picture and the sink painting it.
  std::vector<unsigned char> index;
  AnimCanvas canvas = {0, 0, nullptr};
  AnimSink canvas_sink = {};
  FrameStats frame;
  long codes[9] = {};
  // Extent scan: done once.
  bool scanned = false;
  int extent_w = 0, extent_h = 0;
  long frames = 0;
  long long bytes = 0;
  bool too_large = false;  // drew past the largest picture a file can hold
  int rgb_table[256];
};

struct AnimRgbWriter {
  AnimFile anim;
  std::string path;
  std::vector<unsigned char> index;
};

namespace {

// Adds one pixel (side 1) or block (side 8) to the frame's statistics and the extent.
void note(AnimRgbReader* r, int x, int y, long pixels, int side) {
  FrameStats& f = r->frame;
  if (f.pixels == 0) {
    f.x0 = x, f.y0 = y, f.x1 = x + side - 1, f.y1 = y + side - 1;
  } else {
    if (x < f.x0) f.x0 = x;
    if (y < f.y0) f.y0 = y;
    if (x + side - 1 > f.x1) f.x1 = x + side - 1;
    if (y + side - 1 > f.y1) f.y1 = y + side - 1;
  }
  f.pixels += pixels;
  // Pixels wholly left of or above the picture can never be seen and do not count.
  if (x + side <= 0 || y + side <= 0) return;
  if (x + side > r->extent_w) r->extent_w = x + side;
  if (y + side > r->extent_h) r->extent_h = y + side;
}

void stats_pixel(void* u, int x, int y, int index) {
  AnimRgbReader* r = static_cast<AnimRgbReader*>(u);
  note(r, x, y, 1, 1);
  r->canvas_sink.pixel(r->canvas_sink.user, x, y, index);
}
void stats_block(void* u, int x, int y, const unsigned char* index) {
  AnimRgbReader* r = static_cast<AnimRgbReader*>(u);
  note(r, x, y, 64, 8);
  r->canvas_sink.block(r->canvas_sink.user, x, y, index);
}
void stats_fill(void* u, int x, int y, int index) {
  AnimRgbReader* r = static_cast<AnimRgbReader*>(u);
  note(r, x, y, 64, 8);
  r->canvas_sink.fill(r->canvas_sink.user, x, y, index);
}
void stats_code(void* u, int code) {
  // The slots of animtool info: single points, block kinds 4 to 10, bytes with no meaning.
  AnimRgbReader* r = static_cast<AnimRgbReader*>(u);
  int slot = code < ANIM_CODE_BLOCK_FIRST ? 0 : code >= ANIM_CODE_UNUSED_FIRST ? 8 : (code >> 4) - 3;
  r->codes[slot]++;
}

// Decodes one frame into the canvas; 0 at the end of the file. The call after the last frame
// reads nothing and is no frame of the file.
int decode_one(AnimRgbReader* r) {
  AnimSink sink = {r, stats_pixel, stats_block, stats_fill, stats_code};
  r->frame = FrameStats();
  long long start = r->anim.offset;
  if (!anim_decode_frame(&r->anim, &sink)) return 0;
  r->frame.bytes = long(r->anim.offset - start);
  if (r->frame.bytes == 0 && anim_at_end(&r->anim)) {
    r->anim.frame--;
    return 0;
  }
  return 1;
}

int rewind_reader(AnimRgbReader* r) {
  if (!anim_rewind(&r->anim)) return fail(r->path + ": the file cannot go back to its start");
  if (!r->index.empty()) std::memset(r->index.data(), 0, r->index.size());
  std::memset(r->codes, 0, sizeof r->codes);
  r->frame = FrameStats();
  return 1;
}

void use_canvas(AnimRgbReader* r, int width, int height) {
  r->index.assign(size_t(width) * size_t(height), 0);
  r->canvas = AnimCanvas{width, height, r->index.data()};
  r->canvas_sink = anim_canvas_sink(&r->canvas);
}

}  // namespace

const char* anim_rgb_error(void) { return last_error.c_str(); }

AnimRgbReader* anim_rgb_reader_open(const char* path) {
  if (!path) {
    fail("no file name given");
    return nullptr;
  }
  AnimFile anim = anim_open(path);
  if (!anim.file) {
    if (anim.refused)
      fail(std::string(path) + ": it is " + anim.refused);
    else
      fail(std::string(path) + ": " + reason(anim.open_errno));
    return nullptr;
  }
  AnimRgbReader* r = new AnimRgbReader;
  r->anim = anim;
  r->path = path;
  anim_palette_rgb(r->rgb_table);
  use_canvas(r, 0, 0);
  return r;
}

int anim_rgb_reader_version(const AnimRgbReader* reader) { return reader->anim.version; }

int anim_rgb_reader_scan(AnimRgbReader* r, int* width, int* height, long* frames,
                         long long* bytes) {
  if (!r->scanned) {
    // Scan without painting: a picture of 0x0 drops every pixel at once.
    std::vector<unsigned char> keep;
    keep.swap(r->index);
    AnimCanvas kept_canvas = r->canvas;
    use_canvas(r, 0, 0);
    if (!rewind_reader(r)) return 0;
    r->extent_w = r->extent_h = 0;
    long count = 0;
    while (decode_one(r)) count++;
    r->frames = count;
    r->bytes = r->anim.offset;
    r->too_large = r->extent_w > ANIM_MAX_SIZE || r->extent_h > ANIM_MAX_SIZE;
    r->index.swap(keep);
    r->canvas = AnimCanvas{kept_canvas.width, kept_canvas.height, r->index.data()};
    r->canvas_sink = anim_canvas_sink(&r->canvas);
    if (!rewind_reader(r)) return 0;
    r->scanned = true;
  }
  if (width) *width = r->extent_w;
  if (height) *height = r->extent_h;
  if (frames) *frames = r->frames;
  if (bytes) *bytes = r->bytes;
  if (r->too_large)
    return fail(r->path + ": not an animation: it draws pixels as far as " +
                std::to_string(r->extent_w) + "x" + std::to_string(r->extent_h) +
                ", past the 2048x2048 that an animation holds");
  return 1;
}

int anim_rgb_reader_set_size(AnimRgbReader* r, int width, int height) {
  if (width < 1 || height < 1 || width > kMaxPicture || height > kMaxPicture)
    return fail("picture size " + std::to_string(width) + "x" + std::to_string(height) +
                " is out of range (1 to 8192 each side)");
  try {
    use_canvas(r, width, height);
  } catch (const std::bad_alloc&) {
    use_canvas(r, 0, 0);
    return fail(r->path + ": no memory for a picture of " + std::to_string(width) + "x" +
                std::to_string(height));
  }
  return rewind_reader(r);
}

int anim_rgb_reader_next(AnimRgbReader* r, unsigned char* rgb) {
  if (!decode_one(r)) return 0;
  if (rgb) {
    const unsigned char* in = r->index.data();
    const int* table = r->rgb_table;
    for (size_t i = 0, n = r->index.size(); i < n; i++, rgb += 3) {
      int c = table[in[i]];
      rgb[0] = (unsigned char)(c >> 16);
      rgb[1] = (unsigned char)(c >> 8);
      rgb[2] = (unsigned char)c;
    }
  }
  return 1;
}

const unsigned char* anim_rgb_reader_indices(const AnimRgbReader* r) { return r->index.data(); }

void anim_rgb_reader_frame_info(const AnimRgbReader* r, long* pixels, long* bytes, int box[4]) {
  if (pixels) *pixels = r->frame.pixels;
  if (bytes) *bytes = r->frame.bytes;
  if (box) {
    box[0] = r->frame.x0, box[1] = r->frame.y0, box[2] = r->frame.x1, box[3] = r->frame.y1;
  }
}

void anim_rgb_reader_codes(const AnimRgbReader* r, long counts[9]) {
  std::memcpy(counts, r->codes, sizeof r->codes);
}

int anim_rgb_reader_rewind(AnimRgbReader* r) { return rewind_reader(r); }

void anim_rgb_reader_close(AnimRgbReader* r) {
  if (!r) return;
  anim_close(r->anim);
  delete r;
}

AnimRgbWriter* anim_rgb_writer_open(const char* path, int version, int width, int height) {
  return anim_rgb_writer_open_compressed(path, version, width, height, 0, 0);
}

AnimRgbWriter* anim_rgb_writer_open_compressed(const char* path, int version, int width,
                                               int height, int compression, int level) {
  if (!path) {
    fail("no file name given");
    return nullptr;
  }
  if (version != 1 && version != 2) {
    fail(std::string(path) + ": version " + std::to_string(version) + " is not 1 or 2");
    return nullptr;
  }
  if (width < 1 || height < 1 || width > ANIM_MAX_SIZE || height > ANIM_MAX_SIZE) {
    fail(std::string(path) + ": frames of " + std::to_string(width) + "x" +
         std::to_string(height) + " do not fit an animation (1 to " +
         std::to_string(ANIM_MAX_SIZE) + " each side)");
    return nullptr;
  }
  if (!anim_compression_available(compression)) {
    fail(std::string(path) + ": this build of the library cannot write that compression");
    return nullptr;
  }
  errno = 0;
  AnimFile anim = anim_writer_open_compressed(path, version, width, height, compression, level);
  if (!anim.file) {
    fail(std::string(path) + ": " + reason(anim.open_errno));
    return nullptr;
  }
  AnimRgbWriter* w = new AnimRgbWriter;
  w->anim = anim;
  w->path = path;
  w->index.resize(size_t(width) * size_t(height));
  return w;
}

int anim_rgb_writer_add_indices(AnimRgbWriter* w, const unsigned char* index, long stride) {
  anim_encode_indices(&w->anim, index, int(stride));
  if (std::ferror(w->anim.file)) return fail(w->path + ": write error (" + reason(errno) + ")");
  return 1;
}

int anim_rgb_writer_add(AnimRgbWriter* w, const unsigned char* rgb, long stride) {
  const int width = w->anim.width;
  for (int y = 0; y < w->anim.height; y++)
    anim_quantise_row(rgb + size_t(y) * size_t(stride), width, &w->index[size_t(y) * width]);
  return anim_rgb_writer_add_indices(w, w->index.data(), width);
}

int anim_rgb_writer_add_screen(AnimRgbWriter* w) {
  anim_encode_frame(&w->anim);
  if (std::ferror(w->anim.file)) return fail(w->path + ": write error (" + reason(errno) + ")");
  return 1;
}

int anim_rgb_writer_frames(const AnimRgbWriter* w) { return w->anim.frame; }

int anim_rgb_writer_close(AnimRgbWriter* w) {
  if (!w) return 1;
  bool bad = std::ferror(w->anim.file) != 0;
  bad |= anim_stream_close(w->anim.file) != 0;
  int err = errno;
  w->anim.file = nullptr;
  anim_close(w->anim);
  std::string path = w->path;
  delete w;
  if (bad) return fail(path + ": write error (" + reason(err) + ")");
  return 1;
}
