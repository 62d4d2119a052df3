// GIF export speed: `animtool export` of the mixed 1280x720, 300-frame file (the same content as
// the playback benchmark's: sprites, a scrolling stripe and sparse noise, about 4.5% of the pixels
// a frame) against FFmpeg making a GIF of the same frames from PNG pictures, with one palette and
// only the changed pixels stored (palettegen, paletteuse, +offsetting+transdiff), both in this
// run. Prints wall and processor seconds of each, the file sizes and FFmpeg's time over ours.
// Argument 1: runs per figure, the median is printed (default 3).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "anim/encode.h"
#include "bench/bench_content.h"
#include "bench/bench_run.h"

extern char** environ;

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFrames = 300;

void mixed_anim(const std::string& path) { bench_mixed_anim(path, kWidth, kHeight, kFrames); }

// Runs a program to its end: wall seconds, or -1 when it failed; its processor time in *cpu.
double run_seconds(std::vector<std::string> args, double* cpu) {
  return bench_run_seconds(std::move(args), cpu, true);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

long file_size(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string animtool = std::string(VANTOREL_BIN_DIR) + "/animtool";
  char dir_template[] = "/tmp/vt-export-bench-XXXXXX";
  if (!mkdtemp(dir_template)) return 1;
  const std::string dir = dir_template, anim = dir + "/mixed.anim";
  mixed_anim(anim);
  double cpu = 0;
  if (run_seconds({animtool, "render", anim, "--every", "-o", dir + "/f%04d.png"}, &cpu) < 0) {
    std::fprintf(stderr, "animtool render failed\n");
    return 1;
  }
  std::vector<double> ours_wall, ours_cpu, ffmpeg_wall, ffmpeg_cpu;
  for (int r = 0; r < runs; r++) {
    double w = run_seconds({animtool, "export", anim, dir + "/ours.gif"}, &cpu);
    if (w < 0) return 1;
    ours_wall.push_back(w), ours_cpu.push_back(cpu);
    w = run_seconds(
        {"/usr/bin/ffmpeg", "-nostdin", "-y", "-framerate", "25", "-i", dir + "/f%04d.png", "-vf",
         "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none", "-gifflags",
         "+offsetting+transdiff", dir + "/ffmpeg.gif"},
        &cpu);
    if (w < 0) {
      std::fprintf(stderr, "ffmpeg failed\n");
      return 1;
    }
    ffmpeg_wall.push_back(w), ffmpeg_cpu.push_back(cpu);
  }
  std::printf("GIF export of %dx%d, %d frames (median of %d runs)\n", kWidth, kHeight, kFrames,
              runs);
  std::printf("  animtool export:        %6.2f s wall, %6.2f s processor, %ld bytes\n",
              median(ours_wall), median(ours_cpu), file_size(dir + "/ours.gif"));
  std::printf("  ffmpeg from PNG frames: %6.2f s wall, %6.2f s processor, %ld bytes\n",
              median(ffmpeg_wall), median(ffmpeg_cpu), file_size(dir + "/ffmpeg.gif"));
  std::printf("  FFmpeg's time over ours: %.1fx wall, %.1fx processor\n",
              median(ffmpeg_wall) / median(ours_wall), median(ffmpeg_cpu) / median(ours_cpu));
  for (const char* f : {"/ours.gif", "/ffmpeg.gif", "/mixed.anim"}) std::remove((dir + f).c_str());
  for (int i = 1; i <= kFrames; i++) {
    char name[32];
    std::snprintf(name, sizeof name, "/f%04d.png", i);
    std::remove((dir + name).c_str());
  }
  rmdir(dir.c_str());
  return 0;
}
