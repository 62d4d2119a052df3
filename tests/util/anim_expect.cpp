// Hand-made animations and their expected pictures for the player tests (see anim_expect.h).
#include "util/anim_expect.h"

#include <GL/gl.h>

#include <cstddef>

#include "anim/anim_file.h"
#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/palette.h"
#include "util/gl_context.h"

namespace vt_test {

std::string block_fill_anim(const std::vector<std::vector<BlockFill>>& frames) {
  std::string bytes("ANIM2", 5);
  bytes += '\0';
  for (const std::vector<BlockFill>& frame : frames) {
    for (const BlockFill& b : frame) {
      bytes += char(0xA0);
      bytes += char(b.bx);
      bytes += char(b.by);
      bytes += char(b.index);
    }
    bytes += char(0xFE);
  }
  return bytes;
}

const std::vector<uint32_t>& gl_palette_colours() {
  static const std::vector<uint32_t> colours = [] {
    GlContext gl(256, 2);  // two rows: the pixel projection needs a depth range
    glBegin(GL_POINTS);
    for (int i = 0; i < 256; i++) {
      anim_color(i);
      glVertex2f(i + 0.5f, 0.5f);
    }
    glEnd();
    std::vector<uint32_t> out(256);
    for (int i = 0; i < 256; i++) out[i] = gl.pixel(i, 0);
    return out;
  }();
  return colours;
}

std::vector<unsigned char> canvas_after(const std::string& path, int w, int h, int frames) {
  std::vector<unsigned char> index(std::size_t(w) * h, 0);
  AnimCanvas canvas{w, h, index.data()};
  AnimSink sink = anim_canvas_sink(&canvas);
  AnimFile anim = anim_open(path.c_str());
  for (int i = 0; i < frames; i++) anim_decode_frame(&anim, &sink);
  anim_close(anim);
  return index;
}

std::vector<uint32_t> canvas_colours_after(const std::string& path, int w, int h, int frames) {
  std::vector<unsigned char> index = canvas_after(path, w, h, frames);
  const std::vector<uint32_t>& colour = gl_palette_colours();
  std::vector<uint32_t> out(index.size());
  for (std::size_t i = 0; i < index.size(); i++) out[i] = colour[index[i]];
  return out;
}

}  // namespace vt_test
