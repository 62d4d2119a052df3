// animtool export: decodes an ANIM file frame by frame into a memory canvas and hands each frame,
// with the box of pixels the frame touched, to a writer: the GIF writer below (every build) or
// FFmpeg's (animtool_media.cpp). The GIF stores only the pixels inside that box that changed,
// the rest of the box transparent, so its cost follows the changes, not the picture size.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/palette.h"
#include "tools/animtool_args.h"
#include "tools/animtool_io.h"
#include "tools/animtool_media.h"
#include "tools/animtool_raw.h"

const char* const export_help =
    "Usage: animtool export FILE OUT [--fps R] [--size WxH] [--frames N] [--crf N]\n"
    "Writes the frames of FILE as the kind of file OUT's extension names, at the file's extent\n"
    "(the smallest picture that holds every pixel it draws):\n"
    "  .gif           one palette, only the changed pixels of each frame, looping; exact\n"
#ifdef VT_ANIMTOOL_FFMPEG
    "  .apng, .png    animated PNG, looping; exact\n"
    "  .webp          animated WebP, lossless, looping; exact\n"
    "  .mp4, .mkv     H.264 video (yuv420p)\n"
    "  .webm          VP9 video (yuv420p)\n"
    "Videos get an even width and height (a black column or row is added when needed).\n"
#else
    "This build has no FFmpeg, so it writes GIF only; 'animtool render --every' writes PNG\n"
    "frames.\n"
#endif
    "  --fps R      frames a second, 0.1 to 1000 (default 25, the player's)\n"
    "  --size WxH   scale the frames to WxH (nearest pixel for GIF, APNG and WebP, which then "
    "stay\n"
    "               in the palette; smooth for videos)\n"
    "  --frames N   only the first N frames\n"
#ifdef VT_ANIMTOOL_FFMPEG
    "  --crf N      video quality, lower is better: 0 to 51 for H.264 (default 20), 0 to 63 for\n"
    "               VP9 (default 31)\n"
#endif
    ;

namespace {

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "animtool: %s\n", message.c_str());
  std::exit(1);
}
std::string reason(int err) { return std::strerror(err); }

std::string lower_extension(const std::string& path) {
  size_t slash = path.find_last_of("/\\"), dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string e = path.substr(dot);
  for (char& c : e) c = char(std::tolower((unsigned char)c));
  return e;
}

// ---- the frames and what each touched ----------------------------------------------------------

// The box, in picture pixels, that a frame's pixels fell in (x1, y1 exclusive).
struct Box {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct BoxSink {
  AnimSink canvas;
  int width, height;
  Box box;
  void grow(int x, int y, int side) {
    int a = std::max(x, 0), b = std::max(y, 0);
    int c = std::min(x + side, width), d = std::min(y + side, height);
    if (a >= c || b >= d) return;
    if (box.empty()) {
      box = {a, b, c, d};
      return;
    }
    box.x0 = std::min(box.x0, a), box.y0 = std::min(box.y0, b);
    box.x1 = std::max(box.x1, c), box.y1 = std::max(box.y1, d);
  }
};

AnimSink box_sink(BoxSink* s) {
  AnimSink sink = {};
  sink.user = s;
  sink.pixel = [](void* u, int x, int y, int i) {
    BoxSink* b = static_cast<BoxSink*>(u);
    b->canvas.pixel(b->canvas.user, x, y, i);
    b->grow(x, y, 1);
  };
  sink.block = [](void* u, int x, int y, const unsigned char* i) {
    BoxSink* b = static_cast<BoxSink*>(u);
    b->canvas.block(b->canvas.user, x, y, i);
    b->grow(x, y, 8);
  };
  sink.fill = [](void* u, int x, int y, int i) {
    BoxSink* b = static_cast<BoxSink*>(u);
    b->canvas.fill(b->canvas.user, x, y, i);
    b->grow(x, y, 8);
  };
  return sink;
}

// The smallest picture from the top-left corner that holds every visible pixel of the file.
void file_extent(const std::string& path, AnimFile* anim, int* width, int* height) {
  struct Extent {
    int w = 0, h = 0;
    void add(int x, int y, int side) {
      if (x + side <= 0 || y + side <= 0) return;
      w = std::max(w, x + side), h = std::max(h, y + side);
    }
  } extent;
  AnimSink sink = {};
  sink.user = &extent;
  sink.pixel = [](void* u, int x, int y, int) { static_cast<Extent*>(u)->add(x, y, 1); };
  sink.block = [](void* u, int x, int y, const unsigned char*) {
    static_cast<Extent*>(u)->add(x, y, 8);
  };
  while (anim_decode_frame(anim, &sink)) {
  }
  if (!anim_rewind(anim)) fail("export: " + path + ": the file is read twice, which a pipe cannot");
  *width = extent.w, *height = extent.h;
}

// ---- GIF ---------------------------------------------------------------------------------------
// The GIF89a layout: a header and logical screen with the global colour table; then blocks, each
// opened by its introducer; extensions name their kind in a second byte.
enum : unsigned char {
  kGifExtension = 0x21,        // an extension block follows
  kGifGraphicControl = 0xF9,   // extension: the next image's delay, disposal and transparency
  kGifApplication = 0xFF,      // extension: an application's data (here the loop count)
  kGifImage = 0x2C,            // an image descriptor and its LZW data
  kGifTrailer = 0x3B,          // the end of the file
  kGifGlobalTable256 = 0xF7,   // screen flags: a global table of 256 colours, 8 bits a component
  kGifKeepTransparent = 0x05,  // control flags: leave the image in place, transparency on
  kGifLzwMinimum = 8,          // LZW starts from 8-bit pixels
};

// Packs variable-width LZW codes into the 255-byte sub-blocks of a GIF image.
struct GifBits {
  std::vector<unsigned char> out;  // finished sub-blocks
  unsigned char block[256];
  int used = 0;
  unsigned long bits = 0;
  int count = 0;
  void byte(unsigned char b) {
    block[1 + used++] = b;
    if (used == 255) flush();
  }
  void flush() {
    if (!used) return;
    block[0] = (unsigned char)used;
    out.insert(out.end(), block, block + used + 1);
    used = 0;
  }
  void code(unsigned c, int width) {
    bits |= (unsigned long)c << count;
    count += width;
    while (count >= 8) {
      byte((unsigned char)bits);
      bits >>= 8;
      count -= 8;
    }
  }
  void finish() {
    if (count > 0) byte((unsigned char)bits);
    bits = 0, count = 0;
    flush();
  }
};

// LZW of 8-bit pixels as GIF wants it: codes from 9 to 12 bits, a clear code first and whenever
// the 4096 codes are used up. The string table is a hash of (prefix, pixel) whose entries carry
// the generation they belong to, so a clear costs nothing.
struct GifLzw {
  static constexpr int kSlots = 1 << 14;
  std::vector<unsigned> key = std::vector<unsigned>(kSlots), gen = std::vector<unsigned>(kSlots);
  std::vector<unsigned short> value = std::vector<unsigned short>(kSlots);
  unsigned generation = 1;

  void encode(const unsigned char* pixels, size_t n, GifBits* bits) {
    const unsigned clear = 256, end = 257;
    int width = 9;
    unsigned next = end + 1;
    generation++;
    bits->code(clear, width);
    unsigned prefix = pixels[0];
    for (size_t i = 1; i < n; i++) {
      unsigned k = (prefix << 8) | pixels[i];
      unsigned slot = (k * 2654435761u) >> 18;
      bool found = false;
      while (gen[slot] == generation) {
        if (key[slot] == k) {
          found = true;
          break;
        }
        slot = (slot + 1) & (kSlots - 1);
      }
      if (found) {
        prefix = value[slot];
        continue;
      }
      bits->code(prefix, width);
      gen[slot] = generation, key[slot] = k, value[slot] = (unsigned short)next;
      if (next++ >= (1u << width) && width < 12) width++;
      // Codes are read one table entry behind: the clear waits for the full 4096.
      if (next == 4096) {
        bits->code(clear, width);
        width = 9, next = end + 1;
        generation++;
      }
      prefix = pixels[i];
    }
    bits->code(prefix, width);
    bits->code(end, width);
    bits->finish();
  }
};

struct GifWriter {
  FILE* file = nullptr;
  int width = 0, height = 0;
  unsigned char map[256];  // palette index -> GIF colour (the palette's repeated colours merged)
  int transparent = 0;     // the GIF colour that leaves the pixel below it
  std::vector<unsigned char> previous, pixels;
  GifLzw lzw;
  GifBits bits;
  long frames = 0;
  double fps = 25;
  long centiseconds = 0;  // time of the frames written so far, kept whole so no rounding adds up
};

void put16(FILE* f, int v) {
  std::fputc(v & 255, f);
  std::fputc((v >> 8) & 255, f);
}

void gif_open(GifWriter* g, FILE* f, int width, int height, double fps) {
  g->file = f, g->width = width, g->height = height, g->fps = fps;
  int table[256], colours[256], n = 0;
  anim_palette_rgb(table);
  for (int i = 0; i < 256; i++) {
    int j = 0;
    while (j < n && colours[j] != table[i]) j++;
    if (j == n) colours[n++] = table[i];
    g->map[i] = (unsigned char)j;
  }
  g->transparent = n;  // the palette repeats black and white, so there is always room
  g->previous.assign(size_t(width) * height, (unsigned char)g->transparent);
  g->pixels.resize(size_t(width) * height);
  std::fwrite("GIF89a", 1, 6, f);
  put16(f, width);
  put16(f, height);
  std::fputc(kGifGlobalTable256, f);
  std::fputc(0, f);
  std::fputc(0, f);
  for (int i = 0; i < 256; i++) {
    int c = i < n ? colours[i] : 0;
    std::fputc((c >> 16) & 255, f);
    std::fputc((c >> 8) & 255, f);
    std::fputc(c & 255, f);
  }
  // Loop for ever.
  static const unsigned char loop[] = {kGifExtension,
                                       kGifApplication,
                                       11,
                                       'N',
                                       'E',
                                       'T',
                                       'S',
                                       'C',
                                       'A',
                                       'P',
                                       'E',
                                       '2',
                                       '.',
                                       '0',
                                       3,
                                       1,
                                       0,
                                       0,
                                       0};
  std::fwrite(loop, 1, sizeof loop, f);
}

// Writes one frame whose GIF colours in box are already in g->pixels.
void gif_frame(GifWriter* g, Box box) {
  const int w = g->width;
  // Narrow the box to the pixels that really differ from what the GIF shows.
  auto row_changed = [&](int y, int x0, int x1) {
    return std::memcmp(&g->pixels[size_t(y) * w + x0], &g->previous[size_t(y) * w + x0],
                       size_t(x1 - x0)) != 0;
  };
  while (!box.empty() && !row_changed(box.y0, box.x0, box.x1)) box.y0++;
  while (!box.empty() && !row_changed(box.y1 - 1, box.x0, box.x1)) box.y1--;
  auto column_changed = [&](int x) {
    for (int y = box.y0; y < box.y1; y++)
      if (g->pixels[size_t(y) * w + x] != g->previous[size_t(y) * w + x]) return true;
    return false;
  };
  while (!box.empty() && !column_changed(box.x0)) box.x0++;
  while (!box.empty() && !column_changed(box.x1 - 1)) box.x1--;

  std::vector<unsigned char> data;
  if (box.empty()) {
    box = {0, 0, 1, 1};  // nothing changed: one transparent pixel keeps the frame's time
    data.push_back((unsigned char)g->transparent);
  } else {
    data.reserve(size_t(box.x1 - box.x0) * (box.y1 - box.y0));
    for (int y = box.y0; y < box.y1; y++) {
      unsigned char* now = &g->pixels[size_t(y) * w];
      unsigned char* was = &g->previous[size_t(y) * w];
      for (int x = box.x0; x < box.x1; x++) {
        data.push_back(now[x] == was[x] ? (unsigned char)g->transparent : now[x]);
        was[x] = now[x];
      }
    }
  }
  g->frames++;
  long until = std::lround(g->frames * 100.0 / g->fps);
  long delay = std::min(65535L, until - g->centiseconds);
  g->centiseconds = until;
  FILE* f = g->file;
  const unsigned char control[] = {kGifExtension,
                                   kGifGraphicControl,
                                   4,
                                   kGifKeepTransparent,
                                   (unsigned char)(delay & 255),
                                   (unsigned char)(delay >> 8),
                                   (unsigned char)g->transparent,
                                   0};
  std::fwrite(control, 1, sizeof control, f);
  std::fputc(kGifImage, f);
  put16(f, box.x0);
  put16(f, box.y0);
  put16(f, box.x1 - box.x0);
  put16(f, box.y1 - box.y0);
  std::fputc(0, f);
  std::fputc(kGifLzwMinimum, f);
  g->bits.out.clear();
  g->lzw.encode(data.data(), data.size(), &g->bits);
  std::fwrite(g->bits.out.data(), 1, g->bits.out.size(), f);
  std::fputc(0, f);
}

// ---- the command -------------------------------------------------------------------------------

// Nearest-pixel scaling: the source column (or row) of each output one.
std::vector<int> nearest_map(int from, int to) {
  std::vector<int> m(static_cast<size_t>(to));
  for (int o = 0; o < to; o++) m[size_t(o)] = int((long long)(2 * o + 1) * from / (2 * to));
  return m;
}

}  // namespace

int command_export(int argc, char** argv) {
  Args args;
  std::string error;
  if (!animtool_parse_args("export", argc, argv, {"o", "size", "frames", "fps", "crf"}, &args,
                           &error))
    fail(error);
  if (args.help) {
    std::fputs(export_help, stdout);
    std::exit(0);
  }
  if (!args.output.empty()) args.positional.push_back(args.output);
  if (args.positional.size() != 2) fail("export: give FILE and OUT (see animtool export --help)");
  const std::string &path = args.positional[0], &out = args.positional[1];
  long out_w = 0, out_h = 0, frames = -1, crf = -1;
  double fps = 25;
  if (!args.size.empty() && !parse_size(args.size, 8192, &out_w, &out_h))
    fail("export: bad size '" + args.size + "' (expected WxH, each 1 to 8192, e.g. 640x480)");
  if (!args.frames.empty() && !parse_int(args.frames, 1, 1000000000, &frames))
    fail("export: bad frame count '" + args.frames + "' (expected a whole number from 1)");
  if (!args.fps.empty() && !parse_decimal(args.fps, 0.1, 1000, &fps))
    fail("export: bad rate '" + args.fps + "' (expected frames a second, 0.1 to 1000)");
  if (!args.crf.empty() && !parse_int(args.crf, 0, 63, &crf))
    fail("export: bad quality '" + args.crf + "' (expected --crf 0 to 63)");
  if (out == "-") fail("export: writes files only; name one such as out.gif");
  const std::string ext = lower_extension(out);
  const bool gif = ext == ".gif";
  if (!gif && !media_available())
    fail("export: " + out +
         ": this build writes .gif only (it has no FFmpeg); 'animtool render --every' writes PNG "
         "frames");
  if (!gif && !media_writer_knows(out))
    fail("export: " + out + ": unknown kind of file '" + ext +
         "' (expected .gif, .apng, .png, .webp, .mp4, .webm or .mkv)");

  AnimFile anim = anim_open(path.c_str());
  if (!anim.file) fail(path + ": " + reason(anim.open_errno));
  int w = 0, h = 0;
  file_extent(path, &anim, &w, &h);
  if (w == 0) fail("export: " + path + ": draws no visible pixel");
  if (out_w == 0) out_w = w, out_h = h;

  std::vector<unsigned char> index(size_t(w) * h, 0);
  AnimCanvas canvas = {w, h, index.data()};
  BoxSink boxes{anim_canvas_sink(&canvas), w, h, Box()};
  AnimSink sink = box_sink(&boxes);
  int table[256];
  anim_palette_rgb(table);
  Progress progress = progress_start("export");
  int written = 0;

  // Decodes the next frame of the file into the canvas; false at the end or after `frames`.
  auto next = [&]() -> bool {
    if (frames >= 0 && anim.frame >= frames) return false;
    long long start = anim.offset;
    boxes.box = Box();
    if (!anim_decode_frame(&anim, &sink)) return false;
    // The call after a file's last frame reads nothing and is no frame of the file.
    if (anim.offset == start && anim_at_end(&anim)) return false;
    return true;
  };

  std::string result = replace_file(out, [&](const std::string& temp) -> std::string {
    if (gif) {
      FILE* f = std::fopen(temp.c_str(), "wb");
      if (!f) return reason(errno);
      GifWriter g;
      gif_open(&g, f, int(out_w), int(out_h), fps);
      std::vector<int> sx = nearest_map(w, int(out_w)), sy = nearest_map(h, int(out_h));
      bool first = true;
      while (next()) {
        Box b = boxes.box;
        if (first) b = {0, 0, w, h};
        first = false;
        // The box in output pixels: every output pixel whose source lies in it.
        Box o;
        if (!b.empty()) {
          o.x0 = int((long long)b.x0 * out_w / w),
          o.x1 = int(((long long)b.x1 * out_w + w - 1) / w);
          o.y0 = int((long long)b.y0 * out_h / h),
          o.y1 = int(((long long)b.y1 * out_h + h - 1) / h);
          o.x1 = std::min<int>(o.x1, int(out_w)), o.y1 = std::min<int>(o.y1, int(out_h));
          const bool same = out_w == w && out_h == h;
          for (int y = o.y0; y < o.y1; y++) {
            const unsigned char* src = &index[size_t(sy[size_t(y)]) * w];
            unsigned char* dst = &g.pixels[size_t(y) * out_w];
            if (same)
              for (int x = o.x0; x < o.x1; x++) dst[x] = g.map[src[x]];
            else
              for (int x = o.x0; x < o.x1; x++) dst[x] = g.map[src[sx[size_t(x)]]];
          }
        }
        gif_frame(&g, o);
        progress_update(&progress, ++written);
        if (std::ferror(f)) break;
      }
      std::fputc(kGifTrailer, f);
      bool bad = std::ferror(f) != 0;
      bad |= std::fclose(f) != 0;
      return bad ? "write error (" + reason(errno ? errno : EIO) + ")" : std::string();
    }
    std::string open_error;
    MediaWriter* writer =
        media_writer_open(temp, out, w, h, int(out_w), int(out_h), fps, int(crf), &open_error);
    if (!writer) return open_error;
    std::vector<unsigned char> rgb(index.size() * 3, 0);
    std::string frame_error;
    while (frame_error.empty() && next()) {
      const Box& b = boxes.box;
      for (int y = b.y0; y < b.y1; y++)
        for (int x = b.x0; x < b.x1; x++) {
          size_t i = size_t(y) * w + x;
          int c = table[index[i]];
          rgb[3 * i] = (unsigned char)(c >> 16);
          rgb[3 * i + 1] = (unsigned char)(c >> 8);
          rgb[3 * i + 2] = (unsigned char)c;
        }
      frame_error = media_writer_frame(writer, rgb.data());
      progress_update(&progress, ++written);
    }
    std::string close_error = media_writer_close(writer, frame_error.empty());
    return frame_error.empty() ? close_error : frame_error;
  });
  progress_end(&progress, written);
  anim_close(anim);
  if (!result.empty()) fail(out + ": " + result);
  std::printf("%d frame%s of %ldx%ld written to %s\n", written, written == 1 ? "" : "s", out_w,
              out_h, out.c_str());
  return 0;
}
