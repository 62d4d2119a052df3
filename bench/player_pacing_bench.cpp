// Frame pacing of the playback loop on the headless host: plays the demo animation at 25 frames/s
// and a one-block-per-frame load at 25 and 100 frames/s, each playing and paused, in-process, and
// prints the error of the frame period (poll to poll) against the frame duration (median, 99th
// percentile, worst) and the processor time used as a share of one core (process CPU time over
// wall time, from the first poll on: the start-up, measured by a run of two passes, is taken off). Each load runs about SECONDS (argument 1, default 8) seconds; argument 2 repeats
// every run and prints the median of each figure. A timed run that prints figures.
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "host/headless/headless_host.h"
#include "player/player.h"

namespace {

double cpu_seconds() {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// A version 2 file whose every frame fills one 8x8 block.
std::string light_anim(const std::string& path, int frames) {
  std::string bytes("ANIM2", 5);
  bytes += '\0';
  for (int k = 0; k < frames; k++) {
    bytes += char(0xA0);
    bytes += char(k % 80);
    bytes += char((k / 80) % 60);
    bytes += char(k % 256);
    bytes += char(0xFE);
  }
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

struct Figures {
  double p50, p99, worst, cpu_percent;
};

double percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t i = size_t(std::ceil(q * double(v.size()))) - 1;
  return v[std::min(i, v.size() - 1)];
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One run of frames passes; *cpu gets the processor seconds of the whole run, start-up included.
Figures run(const std::string& path, float frame_ms, int frames, bool paused, double start_up_cpu,
            double* cpu_used = nullptr) {
  headless_reset();
  // Poll 1 comes before the first pass, and poll k + 1 ends pass k.
  headless_set_script(std::to_string(frames + 1) + " quit\n");
  headless_record_polls(true);
  gfx_hwnd = nullptr;
  gfx_hdc = nullptr;
  gfx_hglrc = nullptr;
  windowed = 1;
  screen_w = 640;
  screen_h = 480;
  std::string file = path;
  std::string title = "pacing";
  PlayerOptions o{file.data(), frame_ms, paused, false, false, nullptr, 0.0f};
  double cpu0 = cpu_seconds();
  player_run(&o, title.data());
  double cpu = cpu_seconds() - cpu0;
  if (cpu_used) *cpu_used = cpu;
  const std::vector<double>& t = headless_poll_times();
  Figures fig{0, 0, 0, 0};
  if (t.size() < 3) return fig;
  // The first period holds the window's opening and the first frame; it is not paced.
  std::vector<double> error;
  for (size_t i = 2; i < t.size(); i++)
    error.push_back(std::fabs((t[i] - t[i - 1]) * 1000.0 - frame_ms));
  fig.p50 = percentile(error, 0.5);
  fig.p99 = percentile(error, 0.99);
  fig.worst = percentile(error, 1.0);
  // The periods run from the first poll on; the window's opening before it is not theirs.
  fig.cpu_percent = 100.0 * std::max(cpu - start_up_cpu, 0.0) / (t.back() - t.front());
  return fig;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 8.0;
  int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 1;
  if (!(seconds > 0)) seconds = 8.0;
  setenv("VANTOREL_SCREEN", "1920x1080", 1);
  std::string light = light_anim("/tmp/vantorel_pacing_light.anim", 20000);
  std::string demo = std::string(VANTOREL_SOURCE_DIR) + "/assets/demo.anim";
  struct Load {
    const char* label;
    const std::string* path;
    float frame_ms;
  } loads[] = {{"demo.anim 640x480, 25 fps", &demo, 40.0f},
               {"one block, 25 fps", &light, 40.0f},
               {"one block, 100 fps", &light, 10.0f}};
  printf("Frame pacing on the headless host, about %.0f s a run, median of %d run(s)\n", seconds,
         repeats);
  printf("%-27s %-8s %10s %10s %10s %8s\n", "load", "state", "p50 ms", "p99 ms", "max ms",
         "CPU %");
  for (const Load& load : loads) {
    for (bool paused : {false, true}) {
      int frames = int(seconds * 1000.0 / load.frame_ms);
      std::vector<double> p50, p99, worst, cpu, start_up;
      for (int r = 0; r < repeats; r++) {
        double used = 0;
        run(*load.path, load.frame_ms, 2, paused, 0, &used);
        start_up.push_back(used);
      }
      for (int r = 0; r < repeats; r++) {
        Figures f = run(*load.path, load.frame_ms, frames, paused, median(start_up));
        p50.push_back(f.p50);
        p99.push_back(f.p99);
        worst.push_back(f.worst);
        cpu.push_back(f.cpu_percent);
      }
      printf("%-27s %-8s %10.4f %10.4f %10.4f %8.1f\n", load.label, paused ? "paused" : "playing",
             median(p50), median(p99), median(worst), median(cpu));
      fflush(stdout);
    }
  }
  remove(light.c_str());
  return 0;
}
