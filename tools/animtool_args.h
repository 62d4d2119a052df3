// animtool's arguments: the options of a command, whole numbers and sizes, and the --every output
// pattern. Nothing here prints or exits, so every piece can be fuzzed on its own. The pattern is
// never handed to printf: only its one integer conversion is, once checked.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

struct Args {
  std::vector<std::string> positional;
  std::string output;
  std::string size;
  std::string frames;
  std::string version;
  std::string raw;        // encode --raw: WxH of the raw frames on standard input
  std::string compress;   // --compress zstd|gzip
  std::string level;      // --level N
  std::string fps, crf, start;  // --fps R, --crf N, --start SECONDS (export, encode)
  std::string every_k;          // encode --every K
  bool raw_out = false;   // render --raw: raw frames to standard output
  bool every = false, json = false, alt = false;
  bool help = false;  // --help or -h came before any error
};

// Reads the options a command accepts ("o", "size", "frames", "version", "raw", "compress",
// "level", "fps", "crf", "start" and "every_k" (spelt --every) take a value; "every", "json",
// "alt", "raw_out" (spelt --raw) are switches). A lone "-" is positional. Stops at --help
// (args->help) or at the first error, which it describes in *error (naming the command) and
// returns false.
bool animtool_parse_args(const std::string& command, int argc, char** argv,
                         std::initializer_list<const char*> accepted, Args* args,
                         std::string* error);

// A whole decimal number of at most 9 digits within [low, high].
bool parse_int(const std::string& s, long low, long high, long* out);

// A decimal number such as 25, 29.97 or .5 (at most 9 digits in all) within [low, high].
bool parse_decimal(const std::string& s, double low, double high, double* out);

// True when the bytes of a PNG file hold an animation control chunk ahead of the first image
// data, i.e. the file is an animated PNG; false for anything else, a cut or broken file included.
bool png_bytes_animated(const unsigned char* data, size_t size);

// "WxH" (or "WXH"), each side within [1, max_side].
bool parse_size(const std::string& s, long max_side, long* width, long* height);

// A frame-file pattern: text with "%%" for a percent sign and exactly one integer conversion
// (%d, %i or %u, with flags from "0-+ ", and at most four digits of width and precision).
// Returns false for anything else; otherwise the conversion and the text around it.
struct FramePattern {
  std::string before, conversion, after;  // before and after with "%%" already made "%"
};
bool parse_frame_pattern(const std::string& pattern, FramePattern* out);

// The file name of one frame.
std::string frame_file_name(const FramePattern& pattern, int frame);
