// Fuzz target for animtool's arguments: NUL-separated words as the arguments of a command (the
// first byte picks render, info, encode, export or palette), then the checks render makes on them.
// The --every pattern, which reaches printf, is also fuzzed whole: any pattern accepted must name
// files made of its own text and one formatted number, nothing else.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/animtool_args.h"

namespace {

void check_pattern(const std::string& pattern) {
  FramePattern p;
  if (!parse_frame_pattern(pattern, &p)) return;
  if (p.conversion.size() < 2 || p.conversion[0] != '%' ||
      !std::strchr("diu", p.conversion.back()))
    abort();
  // Whatever else printf could act on must have been refused.
  for (size_t i = 1; i + 1 < p.conversion.size(); i++)
    if (!std::strchr("0123456789-+ .", p.conversion[i])) abort();
  for (int frame : {1, 7, 100000, 2147483647}) {
    std::string name = frame_file_name(p, frame);
    if (name.compare(0, p.before.size(), p.before) != 0) abort();
    if (name.size() < p.before.size() + p.after.size() ||
        name.compare(name.size() - p.after.size(), p.after.size(), p.after) != 0)
      abort();
    std::string number =
        name.substr(p.before.size(), name.size() - p.before.size() - p.after.size());
    if (number.empty() || number.size() > 10000 + 11) abort();
    for (char c : number)
      if (!std::strchr("0123456789-+ ", c)) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  check_pattern(std::string(reinterpret_cast<const char*>(data + 1), size - 1));

  std::vector<std::string> words;
  std::string word;
  for (size_t i = 1; i < size; i++) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += char(data[i]);
    }
  }
  words.push_back(word);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);

  Args args;
  std::string error;
  bool ok = false;
  switch (data[0] % 5) {
    case 0:
      ok = animtool_parse_args("render", int(argv.size()), argv.data(),
                               {"o", "size", "frames", "every"}, &args, &error);
      break;
    case 1:
      ok = animtool_parse_args("info", int(argv.size()), argv.data(), {"json"}, &args, &error);
      break;
    case 2:
      ok = animtool_parse_args("encode", int(argv.size()), argv.data(),
                               {"o", "version", "size", "start", "frames", "every_k", "fps"},
                               &args, &error);
      break;
    case 3:
      ok = animtool_parse_args("export", int(argv.size()), argv.data(),
                               {"o", "size", "frames", "fps", "crf"}, &args, &error);
      break;
    default:
      ok = animtool_parse_args("palette", int(argv.size()), argv.data(), {"o", "alt"}, &args,
                               &error);
      break;
  }
  if (ok == !error.empty()) abort();  // an error is always described, and only then
  if (!ok || args.help) return 0;
  long width = 0, height = 0, frames = 0, version = 0;
  parse_size(args.size, 8192, &width, &height);
  parse_int(args.frames, 0, 1000000000, &frames);
  parse_int(args.version, 1, 2, &version);
  // Decimal numbers: whatever is accepted lies within the bounds asked for.
  double value = -1;
  for (const std::string* s : {&args.fps, &args.start})
    if (parse_decimal(*s, 0.1, 1000, &value) && !(value >= 0.1 && value <= 1000)) abort();
  check_pattern(args.output);
  return 0;
}
