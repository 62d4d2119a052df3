// Decoding speed: frames into the memory canvas (the demo, and a 1280x720 stream in which every
// pixel changes every frame), and drawing a full-change 1280x720 frame with OpenGL under OSMesa,
// one point per pixel against the fast image path. Figures: pixels/s and file MB/s, ms per frame.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/decode_internal.h"
#include "anim/encode.h"
#include "bench/bench_gl.h"

namespace {

// A version 2 file of 1280x720 frames in which every pixel changes: random indices (raw blocks)
// or, with solid set, a new colour per 8x8 block.
std::string full_change_stream(bool solid, int frames) {
  std::string path = std::string("/tmp/vt_bench_full_") + (solid ? "solid" : "noise") + ".anim";
  const int w = 1280, h = 720;
  AnimFile rec = anim_writer_open_size(path.c_str(), 2, w, h);
  std::vector<unsigned char> p(size_t(w) * h);
  std::mt19937 rng(5);
  for (int f = 0; f < frames; f++) {
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        unsigned char& px = p[size_t(y) * w + x];
        if (solid)
          px = (unsigned char)(((x / 8) * 7 + (y / 8) * 13 + f * 2 + 1) % 256);
        else
          do px = (unsigned char)rng();
          while (f > 0 && px == 0);
      }
    if (!solid && f > 0)  // make sure every pixel differs from the frame before
      for (size_t i = 0; i < p.size(); i++) p[i] = (unsigned char)(p[i] ^ (f & 1 ? 0x55 : 0xAA));
    anim_encode_indices(&rec, p.data(), w);
  }
  anim_close(rec);
  return path;
}

struct CountSink {
  long pixels = 0;
};

long count_pixels(const std::string& path) {
  CountSink count;
  AnimSink sink = {};
  sink.user = &count;
  sink.pixel = [](void* u, int, int, int) { static_cast<CountSink*>(u)->pixels++; };
  sink.block = [](void* u, int, int, const unsigned char*) {
    static_cast<CountSink*>(u)->pixels += 64;
  };
  AnimFile a = anim_open(path.c_str());
  while (anim_decode_frame(&a, &sink)) {
  }
  anim_close(a);
  return count.pixels;
}

void decode_file_to_canvas(benchmark::State& state, const std::string& path, int w, int h) {
  long pixels = count_pixels(path);
  AnimFile a = anim_open(path.c_str());
  std::fseek(a.file, 0, SEEK_END);
  long bytes = std::ftell(a.file);
  std::vector<unsigned char> canvas_pixels(size_t(w) * h);
  AnimCanvas canvas = {w, h, canvas_pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  long frames = 0;
  for (auto _ : state) {
    anim_rewind(&a);
    while (anim_decode_frame(&a, &sink)) frames++;
    benchmark::DoNotOptimize(canvas_pixels.data());
  }
  anim_close(a);
  state.counters["Mpixels/s"] =
      benchmark::Counter(double(pixels) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["fileMB/s"] =
      benchmark::Counter(double(bytes) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_DecodeDemoToCanvas(benchmark::State& state) {
  decode_file_to_canvas(state, VANTOREL_SOURCE_DIR "/assets/demo.anim", 640, 480);
}
BENCHMARK(BM_DecodeDemoToCanvas)->Unit(benchmark::kMillisecond);

void BM_DecodeFullChange720pNoise(benchmark::State& state) {
  static std::string path = full_change_stream(false, 20);
  decode_file_to_canvas(state, path, 1280, 720);
}
BENCHMARK(BM_DecodeFullChange720pNoise)->Unit(benchmark::kMillisecond);

void BM_DecodeFullChange720pSolidBlocks(benchmark::State& state) {
  static std::string path = full_change_stream(true, 20);
  decode_file_to_canvas(state, path, 1280, 720);
}
BENCHMARK(BM_DecodeFullChange720pSolidBlocks)->Unit(benchmark::kMillisecond);

// One frame of a full-change stream drawn with OpenGL, with the shell's projection and depth test.
void draw_one_frame_gl(benchmark::State& state, bool solid, int gl_path) {
  static std::string noise = full_change_stream(false, 2), blocks = full_change_stream(true, 2);
  const std::string& path = solid ? blocks : noise;
  std::vector<unsigned char> buffer;
  OSMesaContext ctx = open_player_context(&buffer, 1280, 720);
  if (!ctx) {
    state.SkipWithError("no OSMesa context");
    return;
  }
  anim_gl_path = gl_path;
  AnimFile a = anim_open(path.c_str());
  long images = anim_gl_image_frames;
  for (auto _ : state) {
    anim_rewind(&a);
    anim_next_frame(&a);  // the first frame: every pixel of the picture
    glFinish();
  }
  state.counters["image_frames"] = double(anim_gl_image_frames - images);
  anim_close(a);
  anim_gl_path = ANIM_GL_FAST;
  OSMesaDestroyContext(ctx);
}

void BM_GlFullChange720pPoints(benchmark::State& state) {
  draw_one_frame_gl(state, false, ANIM_GL_POINTS);
}
void BM_GlFullChange720pFast(benchmark::State& state) {
  draw_one_frame_gl(state, false, ANIM_GL_FAST);
}
void BM_GlSolidBlocks720pPoints(benchmark::State& state) {
  draw_one_frame_gl(state, true, ANIM_GL_POINTS);
}
void BM_GlSolidBlocks720pFast(benchmark::State& state) {
  draw_one_frame_gl(state, true, ANIM_GL_FAST);
}
// llvmpipe rasterises on its own threads, so these count wall-clock time.
BENCHMARK(BM_GlFullChange720pPoints)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_GlFullChange720pFast)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_GlSolidBlocks720pPoints)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_GlSolidBlocks720pFast)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
