// animtool: the command-line companion for ANIM files, without any OpenGL. Renders frames to PNG
// through the memory canvas, describes a file frame by frame, encodes PNG sequences into new files
// and exports the palettes as JASC-PAL. Errors give one line on standard error and exit status 1.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/compressed.h"
#include "anim/encode.h"
#include "anim/format.h"
#include "anim/palette.h"
#include "tools/animtool_args.h"
#include "tools/animtool_check.h"
#include "tools/animtool_io.h"
#include "tools/animtool_media.h"
#include "tools/animtool_raw.h"

namespace {

const char* const main_help =
    "Usage: animtool COMMAND [OPTIONS]\n"
    "Works with .anim animation files without a window.\n"
    "\n"
    "Commands:\n"
    "  render   draw frames of a file into PNG images\n"
    "  info     describe a file: version, size, frames, and each frame's changes\n"
    "  encode   make a file from PNG images"
#ifdef VT_ANIMTOOL_FFMPEG
    ", a video or an animated GIF, PNG or WebP"
#endif
    "\n"
    "  export   write a file as a GIF"
#ifdef VT_ANIMTOOL_FFMPEG
    ", animated PNG or WebP, or a video"
#endif
    "\n"
    "  palette  write the palette as a JASC-PAL file\n"
    "  thumbnail  write a small preview picture of a file\n"
    "  check    read files to the end and report the first problem in each\n"
    "  compress   write a gzip- or zstd-compressed copy of a file\n"
    "  decompress write a plain copy of a compressed file\n"
    "\n"
    "Every command reads gzip- and zstd-compressed files (.anim.gz, .anim.zst) as they are.\n"
    "\n"
    "'animtool COMMAND --help' describes each command; 'animtool --version' prints the version.\n";

const char* const render_help =
    "Usage: animtool render FILE [--size WxH] [--frames N] [--every] -o OUT.png\n"
    "       animtool render FILE --raw [--size WxH] [--frames N] -o -\n"
    "Starts from a black WxH picture, decodes frames of FILE onto it and writes it as an 8-bit "
    "RGB\n"
    "PNG. Pixels outside the picture are dropped.\n"
    "  --size WxH   picture size, e.g. 640x480 (each side 1 to 8192; default: the file's extent,\n"
    "               the smallest size that holds every pixel it draws)\n"
    "  --frames N   decode N frames (default: every frame of the file)\n"
    "  --every      write one PNG per frame; OUT must then hold one integer conversion such as\n"
    "               out%04d.png, which receives the frame number (1, 2, ...)\n"
    "  --raw        write every frame as raw RGB (3 bytes a pixel, rows top first) to standard\n"
    "               output, given as -o -, e.g. for ffmpeg -f rawvideo -pix_fmt rgb24\n"
    "  -o OUT       output PNG file (or pattern with --every)\n";

const char* const info_help =
    "Usage: animtool info FILE [--json]\n"
    "Prints the version, the file size, the number of frames, how often each code occurs, and per\n"
    "frame the pixels drawn, the bytes used and the bounding box of the pixels (x0,y0-x1,y1).\n"
    "The extent is the smallest WxH picture that holds every pixel the file draws.\n"
    "A file cut short says \"truncated inside frame N\".\n"
    "  --json  the same as one JSON object\n";

const char* const encode_help =
    "Usage: animtool encode [OPTIONS] -o OUT.anim INPUT...\n"
    "       animtool encode [--version 1|2] [--compress ...] --raw WxH -o OUT.anim -\n"
#ifdef VT_ANIMTOOL_FFMPEG
    "Quantises every frame of the inputs to the palette and appends it as a frame. An input is a\n"
    "PNG picture (any colour type; alpha is ignored), or anything FFmpeg reads: a video (MP4,\n"
    "WebM, MKV, ...), an animated GIF, PNG or WebP, or numbered pictures named by a pattern such\n"
    "as frames%04d.png. All frames must have the first one's size, at most 2048x2048 (give --size\n"
    "for larger videos). OUT is replaced only when every frame was read.\n"
#else
    "Quantises every PNG (any colour type; alpha is ignored) to the palette and appends it as a\n"
    "frame. This build has no FFmpeg, so it reads PNG pictures only. All frames must have the\n"
    "first one's size, at most 2048x2048. OUT is replaced only when every frame was read.\n"
#endif
    "  --version N  file version, 1 or 2 (default 2)\n"
    "  --compress zstd|gzip  store the file compressed (every reader opens it as it is)\n"
    "  --level N    compression level: zstd 1 to 22 (default 19), gzip 1 to 9 (default 9)\n"
    "  --frames N   keep at most N frames\n"
    "  --every K    keep one frame in K (the 1st, the K+1st, ...)\n"
#ifdef VT_ANIMTOOL_FFMPEG
    "  --fps R      drop frames down to R frames a second (instead of --every)\n"
    "  --start S    skip the first S seconds of each input, e.g. 12.5\n"
    "  --size WxH   scale the frames to WxH (each 1 to 2048)\n"
#endif
    "  --raw WxH    read raw RGB frames of WxH (3 bytes a pixel, rows top first) from standard\n"
    "               input, given as -, until it ends, e.g. from ffmpeg -f rawvideo -pix_fmt rgb24\n"
    "  -o OUT       output .anim file\n";

const char* const thumbnail_help =
    "Usage: animtool thumbnail FILE OUT.png [--size N]\n"
    "Writes the picture after the first second of FILE (25 frames, or every frame of a shorter\n"
    "file) at the file's extent, scaled down to fit in NxN with its aspect ratio kept.\n"
    "  --size N  largest width and height, 1 to 8192 (default 256); smaller pictures keep their\n"
    "            size\n";

const char* const check_help =
    "Usage: animtool check FILE...\n"
    "Reads each file to its end and prints either \"FILE: ok: N frames, WxH\" or the first\n"
    "problem with its byte offset (in the decompressed bytes) and frame: a code with no meaning,\n"
    "a block or record outside 2048x2048, a file that ends inside a frame, a version 1 file whose\n"
    "records look like text, damaged compressed data. Exit status 1 if any file has a problem.\n";

const char* const compress_help =
    "Usage: animtool compress FILE [--compress zstd|gzip] [--level N] [-o OUT]\n"
    "Writes FILE compressed; FILE itself is kept. The players and animtool read the result as\n"
    "they read FILE.\n"
    "  --compress zstd|gzip  the compression (default zstd)\n"
    "  --level N    zstd 1 to 22 (default 19), gzip 1 to 9 (default 9)\n"
    "  -o OUT       output file (default FILE.zst or FILE.gz)\n";

const char* const decompress_help =
    "Usage: animtool decompress FILE [-o OUT]\n"
    "Writes the plain .anim file inside a gzip- or zstd-compressed FILE; FILE itself is kept.\n"
    "  -o OUT  output file (default FILE without its .gz or .zst)\n";

const char* const palette_help =
    "Usage: animtool palette [--alt] -o FILE.pal\n"
    "Writes the 256-colour animation palette as a JASC-PAL file.\n"
    "  --alt   the alternative palette instead\n"
    "  -o FILE output file\n";

// One error line, exit status 1.
[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "animtool: %s\n", message.c_str());
  std::exit(1);
}
std::string reason(int err) { return std::strerror(err); }

bool is_help(const std::string& a) { return a == "--help" || a == "-h"; }

// Reads the options a command accepts; --help prints the command's help and exits.
Args parse(const std::string& command, int argc, char** argv, const char* help,
           std::initializer_list<const char*> accepted) {
  Args args;
  std::string error;
  if (!animtool_parse_args(command, argc, argv, accepted, &args, &error)) fail(error);
  if (args.help) {
    std::fputs(help, stdout);
    std::exit(0);
  }
  return args;
}

// Writes an 8-bit RGB PNG through a temporary beside it, so a failed write leaves the old file.
std::string write_rgb_png(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb) {
  return replace_file(
      path, [&](const std::string& temp) { return png_write_rgb(temp, width, height, rgb); });
}

AnimFile open_for_reading(const std::string& path) {
  AnimFile anim = anim_open(path.c_str());
  if (!anim.file) fail(path + ": " + (anim.refused ? anim.refused : reason(anim.open_errno)));
  return anim;
}

// ---- extent ----------------------------------------------------------------------------------

// The smallest picture, from the top-left corner, that holds every pixel a file draws. Pixels left
// of or above the picture (version 1 x below 0, blocks moved off the top) can never be seen and
// do not count.
struct Extent {
  int width = 0, height = 0;
  void add(int x, int y, int side) {
    if (x + side <= 0 || y + side <= 0) return;
    if (x + side > width) width = x + side;
    if (y + side > height) height = y + side;
  }
};

AnimSink extent_sink(Extent* extent) {
  AnimSink sink = {};
  sink.user = extent;
  sink.pixel = [](void* u, int x, int y, int) { static_cast<Extent*>(u)->add(x, y, 1); };
  sink.block = [](void* u, int x, int y, const unsigned char*) {
    static_cast<Extent*>(u)->add(x, y, ANIM_BLOCK_SIDE);
  };
  return sink;
}

// Decodes the whole file for its extent and rewinds it; a stream that cannot go back (a pipe)
// is an error, since the frames are needed a second time.
Extent file_extent(const std::string& command, const std::string& path, AnimFile* anim) {
  Extent extent;
  AnimSink sink = extent_sink(&extent);
  while (anim_decode_frame(anim, &sink)) {
  }
  if (!anim_rewind(anim))
    fail(command + ": " + path + ": finding the extent reads the file twice, which a pipe cannot" +
         (command == "render" ? " (give --size WxH)" : ""));
  return extent;
}

std::string extent_text(const Extent& e) {
  return std::to_string(e.width) + "x" + std::to_string(e.height);
}

// ---- render ----------------------------------------------------------------------------------

int command_render(int argc, char** argv) {
  Args args = parse("render", argc, argv, render_help, {"o", "size", "frames", "every", "raw_out"});
  if (args.positional.size() != 1)
    fail("render: give exactly one FILE (see animtool render --help)");
  if (args.output.empty()) fail("render: -o OUT.png is required (see animtool render --help)");
  long width = 0, height = 0, frames = -1;
  if (!args.size.empty() && !parse_size(args.size, 8192, &width, &height))
    fail("render: bad size '" + args.size + "' (expected WxH, each 1 to 8192, e.g. 640x480)");
  if (!args.frames.empty() && !parse_int(args.frames, 0, 1000000000, &frames))
    fail("render: bad frame count '" + args.frames + "' (expected a whole number)");
  if (args.raw_out && args.output != "-")
    fail("render: --raw writes to standard output: give -o -");
  if (args.raw_out && args.every) fail("render: --raw already writes every frame; drop --every");
  FramePattern pattern;
  if (args.every && !parse_frame_pattern(args.output, &pattern))
    fail("render: " + args.output +
         ": with --every the output needs one integer conversion such as %04d");

  const std::string& path = args.positional[0];
  AnimFile anim = open_for_reading(path);
  if (args.size.empty()) {
    Extent extent = file_extent("render", path, &anim);
    if (extent.width == 0) fail("render: " + path + ": draws no visible pixel; give --size WxH");
    width = extent.width, height = extent.height;
  }
  std::vector<unsigned char> pixels(size_t(width) * height, 0), rgb(pixels.size() * 3);
  AnimCanvas canvas = {int(width), int(height), pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  int table[256];
  anim_palette_rgb(table);
  auto write = [&](const std::string& out) {
    for (size_t i = 0; i < pixels.size(); i++) {
      int c = table[pixels[i]];
      rgb[3 * i] = (unsigned char)(c >> 16);
      rgb[3 * i + 1] = (unsigned char)(c >> 8);
      rgb[3 * i + 2] = (unsigned char)c;
    }
    std::string error = write_rgb_png(out, int(width), int(height), rgb);
    if (!error.empty()) fail(out + ": " + error);
  };
  auto write_raw = [&]() {
    for (size_t i = 0; i < pixels.size(); i++) {
      int c = table[pixels[i]];
      rgb[3 * i] = (unsigned char)(c >> 16);
      rgb[3 * i + 1] = (unsigned char)(c >> 8);
      rgb[3 * i + 2] = (unsigned char)c;
    }
    if (std::fwrite(rgb.data(), 1, rgb.size(), stdout) != rgb.size())
      fail("render: standard output: write error (" + reason(errno ? errno : EIO) + ")");
  };
  if (args.raw_out) raw_binary_stdio();
  Progress progress = progress_start("render");
  bool each = args.every || args.raw_out;
  while (frames < 0 || anim.frame < frames) {
    long long start = anim.offset;
    if (!anim_decode_frame(&anim, &sink)) break;
    // The call after a file's last frame reads nothing and is no frame of the file.
    if (anim.offset == start && anim_at_end(&anim)) {
      anim.frame--;
      break;
    }
    if (args.raw_out)
      write_raw();
    else if (args.every)
      write(frame_file_name(pattern, anim.frame));
    if (each) progress_update(&progress, anim.frame);
  }
  progress_end(&progress, anim.frame);
  if (args.raw_out) {
    if (std::fflush(stdout) != 0)
      fail("render: standard output: write error (" + reason(errno ? errno : EIO) + ")");
    anim_close(anim);
    return 0;  // standard output holds the frames and nothing else
  }
  if (!args.every) write(args.output);
  std::printf("%d frame%s rendered\n", anim.frame, anim.frame == 1 ? "" : "s");
  anim_close(anim);
  return 0;
}

// ---- info ------------------------------------------------------------------------------------

struct FrameInfo {
  long pixels = 0, bytes = 0;
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};

struct InfoSink {
  FrameInfo frame;
  Extent extent;
  // By block kind, then the slots of single points and skipped bytes (the low ones unused).
  enum { POINTS = ANIM_KIND_FILL + 1, SKIPPED, SLOTS };
  long codes[SLOTS] = {};
  void add(int x, int y, long n, int w) {
    if (frame.pixels == 0) {
      frame.x0 = x, frame.y0 = y, frame.x1 = x + w - 1, frame.y1 = y + w - 1;
    } else {
      if (x < frame.x0) frame.x0 = x;
      if (y < frame.y0) frame.y0 = y;
      if (x + w - 1 > frame.x1) frame.x1 = x + w - 1;
      if (y + w - 1 > frame.y1) frame.y1 = y + w - 1;
    }
    frame.pixels += n;
    extent.add(x, y, w);
  }
};

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// One frame's line of the report.
void print_frame(FILE* out, bool json, long frame, const FrameInfo& f) {
  if (json) {
    std::fprintf(out, "%s\n  {\"frame\": %ld, \"pixels\": %ld, \"bytes\": %ld, \"box\": ",
                 frame > 1 ? "," : "", frame, f.pixels, f.bytes);
    if (f.pixels)
      std::fprintf(out, "[%d, %d, %d, %d]}", f.x0, f.y0, f.x1, f.y1);
    else
      std::fprintf(out, "null}");
  } else {
    std::fprintf(out, "frame %ld: pixels %ld, bytes %ld, box ", frame, f.pixels, f.bytes);
    if (f.pixels)
      std::fprintf(out, "%d,%d-%d,%d\n", f.x0, f.y0, f.x1, f.y1);
    else
      std::fprintf(out, "none\n");
  }
}

int command_info(int argc, char** argv) {
  Args args = parse("info", argc, argv, info_help, {"json"});
  if (args.positional.size() != 1) fail("info: give exactly one FILE (see animtool info --help)");
  const std::string& path = args.positional[0];
  AnimFile anim = open_for_reading(path);

  InfoSink info;
  AnimSink sink = {};
  sink.user = &info;
  sink.pixel = [](void* u, int x, int y, int) { static_cast<InfoSink*>(u)->add(x, y, 1, 1); };
  sink.block = [](void* u, int x, int y, const unsigned char*) {
    static_cast<InfoSink*>(u)->add(x, y, ANIM_BLOCK_PIXELS, ANIM_BLOCK_SIDE);
  };
  sink.code = [](void* u, int code) {
    InfoSink* s = static_cast<InfoSink*>(u);
    s->codes[code <= ANIM_CODE_POINT_LAST     ? InfoSink::POINTS
             : code >= ANIM_CODE_UNUSED_FIRST ? InfoSink::SKIPPED
                                              : code >> ANIM_KIND_SHIFT]++;
  };
  // The totals head the report but are known only at the end: the frame lines wait in a
  // temporary file meanwhile, so memory stays flat whatever the length, and pipes work too.
  FILE* spool = anim_temporary_file();
  if (!spool) fail("info: cannot make a temporary file (" + reason(errno ? errno : EIO) + ")");
  long frames = 0, truncated = 0;
  for (;;) {
    long long start = anim.offset;
    info.frame = FrameInfo();
    if (!anim_decode_frame(&anim, &sink)) break;
    info.frame.bytes = long(anim.offset - start);
    // The call after the last frame of a file reads nothing; it is no frame of the file.
    if (info.frame.bytes == 0 && anim_at_end(&anim)) break;
    print_frame(spool, args.json, ++frames, info.frame);
    // A version 2 frame ends at its end byte, before the end of the file is seen; a frame that
    // met the end of the file (or damaged compressed data) was cut short.
    if (anim.version == 2 && anim_at_end(&anim)) truncated = frames;
  }
  long long file_size = anim.offset;
  const char* compressed = anim.compression == ANIM_GZIP   ? "gzip"
                           : anim.compression == ANIM_ZSTD ? "zstd"
                                                           : nullptr;
  if (anim.version == 1 && file_size % ANIM_RECORD_SIZE != 0) truncated = frames;
  anim_close(anim);
  if (std::ferror(spool) || std::fflush(spool) != 0)
    fail("info: temporary file: write error (" + reason(errno ? errno : EIO) + ")");

  const char* names[] = {"points", "kind4", "kind5",  "kind6",  "kind7",
                         "kind8",  "kind9", "kind10", "skipped"};
  const int slots[] = {InfoSink::POINTS, ANIM_KIND_FULL,   ANIM_KIND_PAL16,
                       ANIM_KIND_PAL4,   ANIM_KIND_TWO,    ANIM_KIND_PAL8,
                       ANIM_KIND_SPARSE, ANIM_KIND_FILL,   InfoSink::SKIPPED};
  if (args.json) {
    std::printf("{\"file\": %s, \"version\": %d, \"bytes\": %lld, \"frames\": %ld",
                json_string(path).c_str(), anim.version, file_size, frames);
    std::printf(", \"extent\": {\"width\": %d, \"height\": %d}", info.extent.width,
                info.extent.height);
    if (truncated) std::printf(", \"truncated_inside_frame\": %ld", truncated);
    if (compressed) std::printf(", \"compression\": \"%s\"", compressed);
    if (anim.version == 2) {
      std::printf(", \"codes\": {");
      for (int i = 0; i < 9; i++)
        std::printf("%s\"%s\": %ld", i ? ", " : "", names[i], info.codes[slots[i]]);
      std::printf("}");
    }
    std::printf(", \"frame_list\": [");
  } else {
    std::printf("file: %s\nversion: %d\nbytes: %lld\nframes: %ld\n", path.c_str(), anim.version,
                file_size, frames);
    std::printf("extent: %s\n", extent_text(info.extent).c_str());
    if (truncated) std::printf("truncated inside frame %ld\n", truncated);
    if (compressed) std::printf("compression: %s (bytes above are the decompressed ones)\n", compressed);
    if (anim.version == 2) {
      std::printf("codes:");
      for (int i = 0; i < 9; i++) std::printf(" %s %ld", names[i], info.codes[slots[i]]);
      std::printf("\n");
    }
  }
  std::rewind(spool);
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, spool)) > 0;)
    std::fwrite(chunk, 1, n, stdout);
  std::fclose(spool);
  if (args.json) std::printf("]}\n");
  return 0;
}

// ---- encode ----------------------------------------------------------------------------------

// Reads --compress and --level: *compression stays ANIM_PLAIN without --compress unless
// zstd_by_default. Names the compressions this build lacks.
void parse_compression(const std::string& command, const Args& args, bool zstd_by_default,
                       int* compression, int* level) {
  *compression = zstd_by_default ? ANIM_ZSTD : ANIM_PLAIN;
  if (args.compress == "zstd")
    *compression = ANIM_ZSTD;
  else if (args.compress == "gzip")
    *compression = ANIM_GZIP;
  else if (!args.compress.empty())
    fail(command + ": bad compression '" + args.compress + "' (expected zstd or gzip)");
  if (!args.level.empty()) {
    long top = *compression == ANIM_ZSTD ? 22 : 9, value = 0;
    if (*compression == ANIM_PLAIN) fail(command + ": --level goes with --compress zstd|gzip");
    if (!parse_int(args.level, 1, top, &value))
      fail(command + ": bad level '" + args.level + "' (expected 1 to " + std::to_string(top) +
           " for " + args.compress + ")");
    *level = int(value);
  }
  if (!anim_compression_available(*compression))
    fail(command + ": this build cannot write " +
         (*compression == ANIM_ZSTD ? "zstd" : "gzip") + "-compressed files" +
         (*compression == ANIM_ZSTD && anim_compression_available(ANIM_GZIP)
              ? " (--compress gzip can)" : ""));
}

// A PNG picture by name whose bytes hold no animation; an unreadable file counts as one, so
// its error comes from the PNG reader.
bool is_still_png(const std::string& path) {
  size_t dot = path.rfind('.');
  std::string ext = dot == std::string::npos ? "" : path.substr(dot);
  for (char& c : ext) c = char(std::tolower((unsigned char)c));
  if (ext != ".png" || path.find('%') != std::string::npos) return false;
  FILE* f = anim_fopen_read(path.c_str());
  if (!f) return true;
  std::vector<unsigned char> head(65536);
  head.resize(std::fread(head.data(), 1, head.size(), f));
  std::fclose(f);
  return !png_bytes_animated(head.data(), head.size());
}

// Raw frames from standard input, through a temporary beside OUT that replaces it only when the
// input ended on a frame boundary.
int encode_raw(const Args& args, int version, int compression, int level) {
  long width = 0, height = 0;
  if (!parse_size(args.raw, ANIM_MAX_SIZE, &width, &height))
    fail("encode: bad raw size '" + args.raw + "' (expected WxH, each 1 to 2048, e.g. 640x480)");
  if (args.positional.size() != 1 || args.positional[0] != "-")
    fail("encode: with --raw the frames come from standard input: give - as the only input");
  raw_binary_stdio();
  int frames = 0;
  std::string stream_error;
  std::string error = replace_file(args.output, [&](const std::string& temp) {
    stream_error = raw_encode_stream(stdin, int(width), int(height), version, compression, level,
                                     temp, &frames);
    return stream_error;
  });
  if (stream_error.compare(0, 14, "standard input") == 0) fail("encode: " + stream_error);
  if (!error.empty()) fail(args.output + ": " + error);
  std::printf("%d frame%s of %ldx%ld written to %s (version %d)\n", frames, frames == 1 ? "" : "s",
              width, height, args.output.c_str(), version);
  return 0;
}

// Reads encode's frame choices. True when the inputs go through FFmpeg: anything but still PNG
// pictures, or a choice only FFmpeg can make (scaling, a start time, a frame rate).
bool encode_selection(const Args& args, MediaSelect* select) {
  long width = 0, height = 0;
  if (!args.size.empty() && !parse_size(args.size, ANIM_MAX_SIZE, &width, &height))
    fail("encode: bad size '" + args.size + "' (expected WxH, each 1 to 2048, e.g. 640x360)");
  select->width = int(width), select->height = int(height);
  if (!args.start.empty() && !parse_decimal(args.start, 0, 1e9, &select->start))
    fail("encode: bad start '" + args.start + "' (expected seconds, e.g. 12.5)");
  if (!args.frames.empty() && !parse_int(args.frames, 0, 1000000000, &select->frames))
    fail("encode: bad frame count '" + args.frames + "' (expected a whole number)");
  if (!args.every_k.empty() && !parse_int(args.every_k, 1, 1000000, &select->every))
    fail("encode: bad --every '" + args.every_k + "' (expected a whole number from 1)");
  if (!args.fps.empty() && !parse_decimal(args.fps, 0.1, 1000, &select->fps))
    fail("encode: bad rate '" + args.fps + "' (expected frames a second, 0.1 to 1000)");
  if (!args.every_k.empty() && !args.fps.empty()) fail("encode: give --every or --fps, not both");
  bool media = width || !args.start.empty() || !args.fps.empty();
  for (const std::string& input : args.positional) media |= !is_still_png(input);
  if (media && !media_available()) {
    for (const std::string& input : args.positional)
      if (!is_still_png(input))
        fail("encode: " + input + ": this build reads PNG pictures only (it has no FFmpeg)");
    fail("encode: --size, --start and --fps need FFmpeg, which this build lacks");
  }
  return media;
}

int command_encode(int argc, char** argv) {
  Args args = parse("encode", argc, argv, encode_help,
                    {"o", "version", "raw", "size", "start", "frames", "every_k", "fps", "compress",
                     "level"});
  long version = 2;
  if (!args.version.empty() && !parse_int(args.version, 1, 2, &version))
    fail("encode: bad version '" + args.version + "' (expected 1 or 2)");
  int compression = ANIM_PLAIN, level = 0;
  parse_compression("encode", args, false, &compression, &level);
  if (args.output.empty()) fail("encode: -o OUT.anim is required (see animtool encode --help)");
  if (!args.raw.empty()) return encode_raw(args, int(version), compression, level);
  if (args.positional.empty())
    fail("encode: give at least one FRAME.png (see animtool encode --help)");
  MediaSelect select;
  bool through_media = encode_selection(args, &select);

  // Frames go to a temporary file of our own beside OUT that replaces it only once every frame
  // is in.
  int temp_error = 0;
  const std::string part = temp_beside(args.output, &temp_error);
  if (part.empty()) fail(args.output + ": " + reason(temp_error));
  AnimFile rec = {};
  std::vector<unsigned char> index;
  auto give_up = [&](const std::string& message) {
    if (rec.file) anim_close(rec);
    std::remove(part.c_str());
    fail(message);
  };
  Progress progress = progress_start("encode");
  auto add_frame = [&](const unsigned char* rgb, int width, int height, const std::string& name) {
    if (!rec.file) {
      rec = anim_writer_open_compressed(part.c_str(), int(version), width, height, compression,
                                        level);
      if (!rec.file) give_up(args.output + ": " + reason(rec.open_errno));
      index.resize(size_t(width) * height);
    } else if (width != rec.width || height != rec.height) {
      give_up(name + ": size " + std::to_string(width) + "x" + std::to_string(height) +
              " differs from the first frame's " + std::to_string(rec.width) + "x" +
              std::to_string(rec.height));
    }
    for (int y = 0; y < height; y++)
      anim_quantise_row(&rgb[size_t(y) * width * 3], width, &index[size_t(y) * width]);
    anim_encode_indices(&rec, index.data(), width);
    if (std::ferror(rec.file))
      give_up(args.output + ": write error (" + reason(errno ? errno : EIO) + ")");
    progress_update(&progress, rec.frame);
  };
  if (through_media) {
    long kept = 0;
    for (const std::string& input : args.positional) {
      std::string error = media_read_frames(input, select, &kept,
                                            [&](const unsigned char* rgb, int width, int height) {
                                              add_frame(rgb, width, height, input);
                                              return true;
                                            });
      if (!error.empty()) give_up(input + ": " + error);
    }
  }
  for (size_t i = 0; !through_media && i < args.positional.size(); i += size_t(select.every)) {
    if (select.frames >= 0 && rec.frame >= select.frames) break;
    const std::string& frame_path = args.positional[i];
    RgbImage image;
    // Sizes beyond what an animation holds are refused from the PNG header, before decoding.
    std::string error = png_read_rgb_file(frame_path, ANIM_MAX_SIZE, &image);
    if (!error.empty()) give_up(frame_path + ": " + error);
    add_frame(image.rgb.data(), image.width, image.height, frame_path);
  }
  if (!rec.file) give_up("encode: no frame was kept of the input");
  progress_end(&progress, rec.frame);
  int frames = rec.frame, width = rec.width, height = rec.height;
  bool bad = std::ferror(rec.file) != 0;
  bad |= anim_stream_close(rec.file) != 0;
  rec.file = nullptr;
  anim_close(rec);
  if (bad) {
    std::remove(part.c_str());
    fail(args.output + ": write error (" + reason(errno ? errno : EIO) + ")");
  }
  if (int err = move_over(part, args.output)) {
    std::remove(part.c_str());
    fail(args.output + ": " + reason(err));
  }
  std::printf("%d frame%s of %dx%d written to %s (version %ld)\n", frames, frames == 1 ? "" : "s",
              width, height, args.output.c_str(), version);
  return 0;
}

// ---- thumbnail -------------------------------------------------------------------------------

// For each output column (or row) of a box-filtered shrink from `from` to `to` samples: the source
// samples it covers and how much of each.
struct Tap {
  int source;
  float weight;
};
std::vector<std::vector<Tap>> box_taps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
  double step = double(from) / to;
  for (int o = 0; o < to; o++) {
    double a = o * step, b = (o + 1) * step;
    for (int i = int(a); i < from && i < b; i++) {
      double w = std::min(b, i + 1.0) - std::max(a, double(i));
      if (w > 0) taps[size_t(o)].push_back({i, float(w / step)});
    }
  }
  return taps;
}

// Shrinks an RGB picture to to_w x to_h, each output pixel the average of the area it covers.
std::vector<unsigned char> shrink_rgb(const std::vector<unsigned char>& rgb, int w, int h, int to_w,
                                      int to_h) {
  std::vector<std::vector<Tap>> across = box_taps(w, to_w), down = box_taps(h, to_h);
  std::vector<float> rows(size_t(to_w) * h * 3, 0.0f);
  for (int y = 0; y < h; y++)
    for (int o = 0; o < to_w; o++)
      for (const Tap& t : across[size_t(o)])
        for (int c = 0; c < 3; c++)
          rows[(size_t(y) * to_w + o) * 3 + c] +=
              t.weight * rgb[(size_t(y) * w + t.source) * 3 + c];
  std::vector<unsigned char> out(size_t(to_w) * to_h * 3);
  for (int o = 0; o < to_h; o++)
    for (int x = 0; x < to_w; x++)
      for (int c = 0; c < 3; c++) {
        float sum = 0.0f;
        for (const Tap& t : down[size_t(o)])
          sum += t.weight * rows[(size_t(t.source) * to_w + x) * 3 + c];
        out[(size_t(o) * to_w + x) * 3 + c] = (unsigned char)std::min(255.0f, sum + 0.5f);
      }
  return out;
}

int command_thumbnail(int argc, char** argv) {
  Args args = parse("thumbnail", argc, argv, thumbnail_help, {"size"});
  if (args.positional.size() != 2)
    fail("thumbnail: give FILE and OUT.png (see animtool thumbnail --help)");
  long size = 256;
  if (!args.size.empty() && !parse_int(args.size, 1, 8192, &size))
    fail("thumbnail: bad size '" + args.size + "' (expected a whole number from 1 to 8192)");
  const std::string &path = args.positional[0], &out = args.positional[1];

  AnimFile anim = open_for_reading(path);
  Extent extent = file_extent("thumbnail", path, &anim);
  if (extent.width == 0) fail("thumbnail: " + path + ": draws no visible pixel");
  const int w = extent.width, h = extent.height;
  std::vector<unsigned char> pixels(size_t(w) * h, 0);
  AnimCanvas canvas = {w, h, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  const int first_second = 25;  // frames at the player's default 40 ms
  while (anim.frame < first_second && anim_decode_frame(&anim, &sink)) {
  }
  anim_close(anim);

  int table[256];
  anim_palette_rgb(table);
  std::vector<unsigned char> rgb(pixels.size() * 3);
  for (size_t i = 0; i < pixels.size(); i++) {
    int c = table[pixels[i]];
    rgb[3 * i] = (unsigned char)(c >> 16);
    rgb[3 * i + 1] = (unsigned char)(c >> 8);
    rgb[3 * i + 2] = (unsigned char)c;
  }
  // Fit the longer side into size; never enlarge, the viewer scales up better than we can.
  int to_w = w, to_h = h;
  if (w > size || h > size) {
    double scale = double(size) / std::max(w, h);
    to_w = std::max(1, int(w * scale + 0.5));
    to_h = std::max(1, int(h * scale + 0.5));
    rgb = shrink_rgb(rgb, w, h, to_w, to_h);
  }
  std::string error = write_rgb_png(out, to_w, to_h, rgb);
  if (!error.empty()) fail(out + ": " + error);
  return 0;
}

// ---- palette ---------------------------------------------------------------------------------

int command_palette(int argc, char** argv) {
  Args args = parse("palette", argc, argv, palette_help, {"o", "alt"});
  if (args.output.empty()) fail("palette: -o FILE.pal is required (see animtool palette --help)");
  if (!args.positional.empty()) fail("palette: unexpected argument " + args.positional[0]);
  float r[256], g[256], b[256];
  if (args.alt)
    alt_palette(r, g, b);
  else
    anim_palette(r, g, b);
  // A failed write leaves the file that was there before.
  std::string error = replace_file(args.output, [&](const std::string& temp) {
    errno = 0;
    return save_jasc_pal(r, g, b, temp.c_str()) ? std::string() : reason(errno ? errno : EIO);
  });
  if (!error.empty()) fail(args.output + ": " + error);
  return 0;
}

// ---- check, compress, decompress ------------------------------------------------------------

int command_check(int argc, char** argv) {
  Args args = parse("check", argc, argv, check_help, {});
  if (args.positional.empty()) fail("check: give at least one FILE (see animtool check --help)");
  int status = 0;
  for (const std::string& path : args.positional) {
    AnimFile anim = anim_open(path.c_str());
    if (!anim.file) {
      std::printf("%s: %s\n", path.c_str(), anim.refused ? anim.refused : reason(anim.open_errno).c_str());
      status = 1;
      continue;
    }
    CheckReport report = animtool_check(&anim);
    anim_close(anim);
    if (report.problem.empty()) {
      std::printf("%s: ok: %ld frame%s, %dx%d\n", path.c_str(), report.frames,
                  report.frames == 1 ? "" : "s", report.width, report.height);
    } else {
      std::printf("%s: byte %lld, frame %ld: %s\n", path.c_str(), report.offset, report.frame,
                  report.problem.c_str());
      status = 1;
    }
  }
  return status;
}

// compress (pack true) and decompress: the .anim bytes of the input, written through a temporary
// beside the output that replaces it only when complete.
int command_compress(int argc, char** argv, bool pack) {
  const std::string command = pack ? "compress" : "decompress";
  Args args = pack ? parse(command, argc, argv, compress_help, {"o", "compress", "level"})
                   : parse(command, argc, argv, decompress_help, {"o"});
  if (args.positional.size() != 1)
    fail(command + ": give exactly one FILE (see animtool " + command + " --help)");
  int compression = ANIM_PLAIN, level = 0;
  if (pack) parse_compression(command, args, true, &compression, &level);
  const std::string& path = args.positional[0];
  std::string out = args.output;
  if (out.empty()) {
    auto ends = [&](const std::string& tail) {
      return path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (pack)
      out = path + (compression == ANIM_ZSTD ? ".zst" : ".gz");
    else if (ends(".gz"))
      out = path.substr(0, path.size() - 3);
    else if (ends(".zst"))
      out = path.substr(0, path.size() - 4);
    else
      fail(command + ": " + path + " has no .gz or .zst ending: give -o OUT");
  }
  AnimFile anim = open_for_reading(path);
  if (!pack && anim.compression == ANIM_PLAIN)
    fail(command + ": " + path + ": not compressed (a plain .anim file already)");
  std::string error = replace_file(out, [&](const std::string& temp) -> std::string {
    FILE* raw = std::fopen(temp.c_str(), "wb");
    if (!raw) return reason(errno ? errno : EIO);
    FILE* to = pack ? anim_compressing(raw, compression, level) : raw;
    std::string copy_error = animtool_copy_anim(&anim, to);
    if (anim_stream_close(to) != 0 && copy_error.empty())
      copy_error = "write error (" + reason(errno ? errno : EIO) + ")";
    return copy_error;
  });
  anim_close(anim);
  if (!error.empty()) fail(command + ": " + (error.find("compressed data") != std::string::npos ? path : out) + ": " + error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(main_help, stderr);
    return 1;
  }
  std::string command = argv[1];
  if (is_help(command)) {
    std::fputs(main_help, stdout);
    return 0;
  }
  if (command == "--version") {
#ifndef VANTOREL_VERSION
#define VANTOREL_VERSION "0"
#endif
    std::fputs("animtool " VANTOREL_VERSION "\n", stdout);
    return 0;
  }
  if (command == "render") return command_render(argc - 2, argv + 2);
  if (command == "info") return command_info(argc - 2, argv + 2);
  if (command == "encode") return command_encode(argc - 2, argv + 2);
  if (command == "export") return command_export(argc - 2, argv + 2);
  if (command == "palette") return command_palette(argc - 2, argv + 2);
  if (command == "thumbnail") return command_thumbnail(argc - 2, argv + 2);
  if (command == "check") return command_check(argc - 2, argv + 2);
  if (command == "compress") return command_compress(argc - 2, argv + 2, true);
  if (command == "decompress") return command_compress(argc - 2, argv + 2, false);
  fail("unknown command '" + command + "' (see animtool --help)");
}
