// Encoding speed for 1280x720 frames: from index pictures (the encoder alone) and from RGB
// pictures quantised with nearest_color first, for a moving scene and for frames in which every
// pixel changes. Figure: frames per second on one core.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "anim/encode.h"
#include "anim/palette.h"

namespace {

constexpr int W = 1280, H = 720, SEQUENCE = 8;

// A sequence of index pictures: a moving pattern of bands and discs, or noise.
std::vector<std::vector<unsigned char>> make_frames(bool noise) {
  std::vector<std::vector<unsigned char>> frames(SEQUENCE,
                                                 std::vector<unsigned char>(size_t(W) * H));
  std::mt19937 rng(9);
  for (int f = 0; f < SEQUENCE; f++)
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        unsigned char& px = frames[f][size_t(y) * W + x];
        if (noise) {
          px = (unsigned char)rng();
        } else {
          int dx = x - 300 - 40 * f, dy = y - 360;
          px = (unsigned char)(dx * dx + dy * dy < 150 * 150
                                   ? 12 + (x / 6 + f) % 4
                                   : 40 + ((x + 2 * y + 16 * f) / 64) % 24);
        }
      }
  return frames;
}

std::vector<std::vector<unsigned char>> to_rgb(
    const std::vector<std::vector<unsigned char>>& frames) {
  int table[256];
  anim_palette_rgb(table);
  std::vector<std::vector<unsigned char>> out;
  for (const auto& f : frames) {
    std::vector<unsigned char> rgb(f.size() * 3);
    for (size_t i = 0; i < f.size(); i++) {
      // Off-palette colours, so that quantising has real work to do.
      int c = table[f[i]];
      rgb[3 * i] = (unsigned char)((c >> 16) ^ (i & 7));
      rgb[3 * i + 1] = (unsigned char)((c >> 8) ^ (i & 3));
      rgb[3 * i + 2] = (unsigned char)(c ^ (i & 5));
    }
    out.push_back(rgb);
  }
  return out;
}

// Every pixel an unrelated 24-bit colour: the worst case for the quantiser's cache.
std::vector<std::vector<unsigned char>> random_rgb_frames() {
  std::mt19937 rng(13);
  std::vector<std::vector<unsigned char>> out(SEQUENCE,
                                              std::vector<unsigned char>(size_t(W) * H * 3));
  for (auto& f : out)
    for (auto& b : f) b = (unsigned char)rng();
  return out;
}

void encode_frames(benchmark::State& state, bool noise, bool from_rgb, bool any_colour = false) {
  static const auto scene = make_frames(false), random = make_frames(true);
  static const auto scene_rgb = to_rgb(scene), random_rgb = to_rgb(random);
  static const auto any_rgb = random_rgb_frames();
  const auto& frames = noise ? random : scene;
  const auto& rgb = any_colour ? any_rgb : noise ? random_rgb : scene_rgb;
  AnimFile rec = anim_writer_open_size("/dev/null", 2, W, H);
  std::vector<unsigned char> index(size_t(W) * H);
  long n = 0;
  for (auto _ : state) {
    int f = int(n++ % SEQUENCE);
    if (from_rgb) {
      for (int y = 0; y < H; y++)
        anim_quantise_row(&rgb[f][size_t(y) * W * 3], W, &index[size_t(y) * W]);
      anim_encode_indices(&rec, index.data(), W);
    } else {
      anim_encode_indices(&rec, frames[f].data(), W);
    }
  }
  anim_close(rec);
  state.counters["frames/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
}

void BM_EncodeIndexScene720p(benchmark::State& s) { encode_frames(s, false, false); }
void BM_EncodeIndexNoise720p(benchmark::State& s) { encode_frames(s, true, false); }
void BM_EncodeRgbScene720p(benchmark::State& s) { encode_frames(s, false, true); }
void BM_EncodeRgbNoise720p(benchmark::State& s) { encode_frames(s, true, true); }
void BM_EncodeRgbAnyColour720p(benchmark::State& s) { encode_frames(s, true, true, true); }
BENCHMARK(BM_EncodeIndexScene720p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeIndexNoise720p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRgbScene720p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRgbNoise720p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRgbAnyColour720p)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
