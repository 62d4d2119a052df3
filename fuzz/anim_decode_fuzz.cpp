// Fuzz target for ANIM decoding: any bytes as a file, read as they are (version 1 unless they
// start with the header) and again behind a version 2 header, into a small memory canvas so that
// clipping is exercised, and through the OpenGL drawing paths into a small OSMesa picture. Every
// call must end, and the end must be reported.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "anim/canvas.h"
#include "anim/decode.h"
#include "fuzz/fuzz_temp.h"

namespace {

void decode_all(const std::string& path, size_t size) {
  AnimFile anim = anim_open(path.c_str());
  // Another format's signature is refused; compressed files have a target of their own
  // (animtool_check_fuzz), since their frames are not bounded by the input's size.
  if (!anim.file && anim.refused) return;
  if (!anim.file) __builtin_trap();
  if (anim.compression != ANIM_PLAIN) return anim_close(anim);
  std::vector<unsigned char> pixels(37 * 23);
  AnimCanvas canvas = {37, 23, pixels.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  // Every frame but the last consumes at least one byte, so size + 2 calls reach the end.
  size_t calls = 0;
  while (anim_decode_frame(&anim, &sink))
    if (++calls > size + 2) __builtin_trap();
  anim_rewind(&anim);
  if (anim.frame != 0 || !anim_decode_frame(&anim, &sink)) __builtin_trap();
  // The OpenGL paths: the image path (frames of many pixels) and points.
  for (int path : {ANIM_GL_FAST, ANIM_GL_POINTS}) {
    anim_gl_path = path;
    anim_rewind(&anim);
    calls = 0;
    while (anim_next_frame(&anim))
      if (++calls > size + 2) __builtin_trap();
  }
  anim_gl_path = ANIM_GL_FAST;
  anim_close(anim);
}

// One small OSMesa picture with the shell's projection and depth test, made once and kept.
std::vector<unsigned char> gl_pixels(41 * 29 * 4);
bool make_gl_context() {
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!ctx || !OSMesaMakeCurrent(ctx, gl_pixels.data(), GL_UNSIGNED_BYTE, 41, 29)) return false;
  glViewport(0, 0, 41, 29);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 41, 29, 0, 29 / 2, -(29 / 2));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  return true;
}

void write_file(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) __builtin_trap();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

// Mesa keeps a few internal blocks past their last pointer; they are none of this code's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!make_gl_context()) __builtin_trap();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz_temp_path("anim-decode-fuzz.anim");
  static const int removed_at_exit = atexit([] { unlink(path.c_str()); });
  (void)removed_at_exit;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  write_file(path, bytes);
  decode_all(path, size);
  write_file(path, std::string("ANIM2\0", 6) + bytes);
  decode_all(path, size + 6);
  return 0;
}
