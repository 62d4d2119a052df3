// Frame pacing of the playback loop on the headless host: plays 500 frames at 40 ms in-process
// and prints the mean and worst absolute error of the frame period (poll to poll) against the
// frame duration, and the processor time used. Two loads: one 8x8 block per frame, and the demo
// animation at 640 x 480. A timed run that prints figures; it takes about 40 seconds.
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "host/headless/headless_host.h"
#include "player/player.h"

namespace {

constexpr int kFrames = 500;
constexpr float kFrameMs = 40.0f;

double cpu_seconds() {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

std::string light_anim(const std::string& path) {
  std::string bytes("ANIM2", 5);
  bytes += '\0';
  for (int k = 0; k < kFrames + 10; k++) {
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

void run(const char* label, const std::string& path, int w, int h) {
  headless_reset();
  // Poll 1 comes before the first pass, and poll k + 1 ends pass k.
  headless_set_script(std::to_string(kFrames + 1) + " quit\n");
  headless_record_polls(true);
  gfx_hwnd = nullptr;
  gfx_hdc = nullptr;
  gfx_hglrc = nullptr;
  windowed = 1;
  screen_w = w;
  screen_h = h;
  std::string file = path;
  std::string title = "pacing";
  PlayerOptions o{file.data(), kFrameMs, false, false, false, nullptr, 0.0f};
  double cpu0 = cpu_seconds();
  player_run(&o, title.data());
  double cpu = cpu_seconds() - cpu0;
  const std::vector<double>& t = headless_poll_times();
  if (t.size() < 2) {
    printf("%s: no frames\n", label);
    return;
  }
  double sum = 0, worst = 0, late = 0;
  for (size_t i = 1; i < t.size(); i++) {
    double error = std::fabs((t[i] - t[i - 1]) * 1000.0 - kFrameMs);
    sum += error;
    worst = std::max(worst, error);
    late += (t[i] - t[i - 1]) * 1000.0 - kFrameMs;
  }
  size_t periods = t.size() - 1;
  double wall = t.back() - t.front();
  printf("%-28s frames %zu  period error mean %.4f ms, worst %.4f ms, mean lateness %+.4f ms\n",
         label, periods, sum / periods, worst, late / periods);
  printf("%-28s wall %.2f s  cpu %.2f s (%.0f%% of one core)\n", "", wall, cpu, 100.0 * cpu / wall);
}

}  // namespace

int main() {
  setenv("VANTOREL_SCREEN", "1920x1080", 1);
  std::string light = light_anim("/tmp/vantorel_pacing_light.anim");
  printf("Frame pacing, %d frames at %.0f ms, headless host\n", kFrames, double(kFrameMs));
  run("one block per frame 640x480", light, 640, 480);
  run("demo.anim 640x480", std::string(VANTOREL_SOURCE_DIR) + "/assets/demo.anim", 640, 480);
  remove(light.c_str());
  return 0;
}
