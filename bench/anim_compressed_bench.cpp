// Compressed .anim files on the playback benchmark's "mixed" content (1280x720, 300 frames, about
// 4.5% of the pixels changing a frame): the sizes of the plain, gzip (level 9) and zstd (level 19)
// files beside a GIF that FFmpeg makes of the same frames (one palette, only the changed rectangle
// stored), and the processor time of decoding each file into a memory canvas. Targets: zstd at most
// 0.40x the GIF, decoding a compressed file at most 1.3x the processor time of the plain one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/compressed.h"
#include "anim/decode.h"
#include "anim/encode.h"
#include "bench/bench_content.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFrames = 300;
const std::string kDir = "/tmp/vt_bench_compressed_";

void write_mixed(const std::string& path, int compression) {
  bench_mixed_anim(path, kWidth, kHeight, kFrames, compression);
}

long file_size(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

// The GIF FFmpeg makes of the rendered frames: a palette from all of them, then every frame
// against it, storing only the changed rectangle with the unchanged pixels transparent.
long gif_size(const std::string& anim) {
  const std::string gif = kDir + "mixed.gif", palette = kDir + "palette.png";
  const std::string render = std::string(VANTOREL_BIN_DIR) + "/animtool render " + anim +
                             " --raw --size 1280x720 -o - | ffmpeg -v error -y -f rawvideo "
                             "-pix_fmt rgb24 -s 1280x720 -r 25 -i - ";
  std::string make_palette = render + "-vf palettegen=max_colors=256:stats_mode=full " + palette;
  std::string make_gif = render + "-i " + palette +
                         " -lavfi paletteuse=dither=none:diff_mode=rectangle "
                         "-gifflags +offsetting+transdiff " + gif;
  if (std::system(make_palette.c_str()) != 0 || std::system(make_gif.c_str()) != 0) return -1;
  return file_size(gif);
}

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Decodes every frame of the file into a 1280x720 canvas; returns the frames.
long decode_all(const std::string& path, std::vector<unsigned char>* pixels) {
  AnimFile a = anim_open(path.c_str());
  AnimCanvas canvas = {kWidth, kHeight, pixels->data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  long frames = 0;
  while (anim_decode_frame(&a, &sink)) frames++;
  anim_close(a);
  return frames;
}

// The least processor time of a few whole decodes: the least is the one least disturbed.
double decode_cpu(const std::string& path) {
  std::vector<unsigned char> pixels(size_t(kWidth) * kHeight);
  double best = 1e9;
  for (int run = 0; run < 5; run++) {
    double start = cpu_seconds();
    decode_all(path, &pixels);
    double used = cpu_seconds() - start;
    if (used < best) best = used;
  }
  return best;
}

void BM_Decode(benchmark::State& state, const std::string& path) {
  std::vector<unsigned char> pixels(size_t(kWidth) * kHeight);
  long frames = 0;
  for (auto _ : state) {
    frames += decode_all(path, &pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string plain = kDir + "mixed.anim", gz = plain + ".gz", zst = plain + ".zst";
  write_mixed(plain, ANIM_PLAIN);
  bool have_gzip = anim_stream_can_write(ANIM_GZIP), have_zstd = anim_stream_can_write(ANIM_ZSTD);
  if (have_gzip) write_mixed(gz, ANIM_GZIP);
  if (have_zstd) write_mixed(zst, ANIM_ZSTD);
  long gif = gif_size(plain);

  std::printf("Compressed .anim, 1280x720, %d frames (about 4.5%% of the pixels change a frame)\n",
              kFrames);
  auto row = [&](const char* what, long bytes) {
    if (bytes < 0) return;
    std::printf("  %-28s %11ld bytes", what, bytes);
    if (gif > 0) std::printf("  %5.2fx the GIF", double(bytes) / double(gif));
    std::printf("\n");
  };
  row(".anim version 2", file_size(plain));
  if (have_gzip) row(".anim gzip -9", file_size(gz));
  if (have_zstd) row(".anim zstd -19 (target 0.40x)", file_size(zst));
  if (gif > 0)
    row("GIF (FFmpeg, one palette)", gif);
  else
    std::printf("  GIF: not made (ffmpeg missing or failed)\n");

  double plain_cpu = decode_cpu(plain);
  std::printf("Decoding every frame, processor time (least of 5):\n  plain %8.1f ms\n",
              plain_cpu * 1e3);
  if (have_gzip) {
    double t = decode_cpu(gz);
    std::printf("  gzip  %8.1f ms  %4.2fx plain (target 1.30x)\n", t * 1e3, t / plain_cpu);
  }
  if (have_zstd) {
    double t = decode_cpu(zst);
    std::printf("  zstd  %8.1f ms  %4.2fx plain (target 1.30x)\n", t * 1e3, t / plain_cpu);
  }
  std::fflush(stdout);

  benchmark::RegisterBenchmark("BM_DecodePlain", BM_Decode, plain)->Unit(benchmark::kMillisecond);
  if (have_gzip)
    benchmark::RegisterBenchmark("BM_DecodeGzip", BM_Decode, gz)->Unit(benchmark::kMillisecond);
  if (have_zstd)
    benchmark::RegisterBenchmark("BM_DecodeZstd", BM_Decode, zst)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const std::string& f : {plain, gz, zst, kDir + "mixed.gif", kDir + "palette.png"})
    std::remove(f.c_str());
  return 0;
}
