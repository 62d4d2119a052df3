// Playing speed of the headless player flat out (-fms:0 -once) on two generated 1280x720
// animations: moving sprites over a still background (about 5% of the pixels change per frame)
// and a picture that changes everywhere every frame. Prints frames/s of the real program (wall
// time), its processor ms per frame, and that split into decoding (timed in-process into a memory
// canvas) and the rest (GL and the loop); on a shared machine the processor time is the steadier. Argument 1: runs per figure, the median is printed (default 3); argument 2: another
// player program to time (an older build, to compare).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/encode.h"

extern char** environ;

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFrames = 240;

// Ten 64x64 sprites, each textured in its own frame of reference, bouncing over a still patterned
// background; frame 1 is the background with the sprites.
std::string sprites_anim(const std::string& path) {
  AnimFile rec = anim_writer_open_size(path.c_str(), 2, kWidth, kHeight);
  std::vector<unsigned char> background(size_t(kWidth) * kHeight), p;
  for (int y = 0; y < kHeight; y++)
    for (int x = 0; x < kWidth; x++)
      background[size_t(y) * kWidth + x] = (unsigned char)(16 + ((x / 16 + y / 16) % 24));
  for (int f = 0; f < kFrames; f++) {
    p = background;
    for (int s = 0; s < 10; s++) {
      int span_x = kWidth - 64, span_y = kHeight - 64;
      int px = (s * 97 + f * (3 + s)) % (2 * span_x), py = (s * 53 + f * (2 + s % 3)) % (2 * span_y);
      if (px > span_x) px = 2 * span_x - px;
      if (py > span_y) py = 2 * span_y - py;
      for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
          p[size_t(py + y) * kWidth + px + x] = (unsigned char)(64 + s * 16 + ((x ^ y) >> 2) % 16);
    }
    anim_encode_indices(&rec, p.data(), kWidth);
  }
  anim_close(rec);
  return path;
}

// Every pixel changes every frame: a colour per 4x4 cell that moves on each frame.
std::string full_anim(const std::string& path) {
  AnimFile rec = anim_writer_open_size(path.c_str(), 2, kWidth, kHeight);
  std::vector<unsigned char> p(size_t(kWidth) * kHeight);
  for (int f = 0; f < kFrames; f++) {
    for (int y = 0; y < kHeight; y++)
      for (int x = 0; x < kWidth; x++)
        p[size_t(y) * kWidth + x] = (unsigned char)((x / 4 * 7 + y / 4 * 13 + f * 3 + (f & 1)) % 256);
    anim_encode_indices(&rec, p.data(), kWidth);
  }
  anim_close(rec);
  return path;
}

std::string empty_anim(const std::string& path) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite("ANIM2\0", 1, 6, f);
    fclose(f);
  }
  return path;
}

double seconds_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Wall time of one run of the headless player over the whole file; its processor time in *cpu.
std::string player = std::string(VANTOREL_BIN_DIR) + "/vantorel-headless";

double play_seconds(const std::string& file, double* cpu) {
  std::vector<std::string> args = {player, "-fms:0", "-once", "-res:1280x720", file};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  double t = seconds_since(start);
  *cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1;
}

// Changed pixels per frame after the first (which paints the whole picture).
double changed_pixels_per_frame(const std::string& file) {
  long pixels = 0;
  AnimSink sink = {&pixels, [](void* u, int, int, int) { ++*static_cast<long*>(u); },
                   [](void* u, int, int, const unsigned char*) { *static_cast<long*>(u) += 64; },
                   nullptr, nullptr};
  AnimFile a = anim_open(file.c_str());
  int frames = 0;
  while (anim_decode_frame(&a, &sink))
    if (++frames == 1) pixels = 0;
  anim_close(a);
  return frames > 1 ? double(pixels) / (frames - 1) : 0;
}

// Decoding alone: seconds for all frames into a memory canvas.
double decode_seconds(const std::string& file) {
  std::vector<unsigned char> canvas_pixels(size_t(kWidth) * kHeight);
  AnimCanvas canvas = {kWidth, kHeight, canvas_pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  AnimFile a = anim_open(file.c_str());
  auto start = std::chrono::steady_clock::now();
  while (anim_decode_frame(&a, &sink)) {
  }
  double t = seconds_since(start);
  anim_close(a);
  return t;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
  if (argc > 2) player = argv[2];
  setenv("VANTOREL_SCREEN", "1920x1080", 1);
  unsetenv("VANTOREL_SCRIPT");
  std::string empty = empty_anim("/tmp/vt_bench_play_empty.anim");
  struct Content {
    const char* label;
    std::string path;
  } contents[] = {{"sprites (~5% change)", sprites_anim("/tmp/vt_bench_play_sprites.anim")},
                  {"full change", full_anim("/tmp/vt_bench_play_full.anim")}};
  std::vector<double> start_up, start_up_cpu;
  for (int r = 0; r < runs; r++) {
    double cpu = 0;
    start_up.push_back(play_seconds(empty, &cpu));
    start_up_cpu.push_back(cpu);
  }
  double base = median(start_up), base_cpu = median(start_up_cpu);
  printf("%s\n", player.c_str());
  printf("Headless player, 1280x720, -fms:0 -once, %d frames, median of %d runs (start-up %.0f ms "
         "taken off)\n",
         kFrames, runs, base * 1000);
  printf("%-22s %9s %10s %10s %10s %10s %10s\n", "content", "changed", "frames/s", "ms/frame",
         "cpu ms", "decode ms", "GL+loop");
  for (Content& c : contents) {
    std::vector<double> play, cpu, decode;
    double pixels = changed_pixels_per_frame(c.path);
    for (int r = 0; r < runs; r++) {
      double run_cpu = 0;
      play.push_back(play_seconds(c.path, &run_cpu) - base);
      cpu.push_back(run_cpu - base_cpu);
      decode.push_back(decode_seconds(c.path));
    }
    double ms = median(play) * 1000.0 / kFrames, decode_ms = median(decode) * 1000.0 / kFrames;
    double cpu_ms = median(cpu) * 1000.0 / kFrames;
    printf("%-22s %8.1f%% %10.1f %10.3f %10.3f %10.3f %10.3f\n", c.label,
           100.0 * pixels / (double(kWidth) * kHeight), 1000.0 / ms, ms, cpu_ms, decode_ms,
           cpu_ms - decode_ms);
    fflush(stdout);
  }
  for (Content& c : contents) remove(c.path.c_str());
  remove(empty.c_str());
  return 0;
}
