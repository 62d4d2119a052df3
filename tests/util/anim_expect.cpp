// Hand-made animations and their expected pictures for the player tests (see anim_expect.h).
#include "util/anim_expect.h"

#include <GL/gl.h>

#include <cstddef>

#include "anim/anim_file.h"
#include "anim/canvas.h"
#include "anim/decode.h"
#include "anim/palette.h"
#include "util/gl_context.h"
#include "util/test_util.h"

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

const std::vector<ForeignSample>& foreign_samples() {
  static const std::vector<ForeignSample> samples = [] {
    std::string pe(256, '\0');
    pe[0] = 'M', pe[1] = 'Z', pe[60] = char(0x80);
    pe.replace(0x80, 4, std::string("PE\0\0", 4));
    std::string tail(40, '\x01');
    return std::vector<ForeignSample>{
        {std::string("\x89PNG\r\n\x1a\n", 8) + tail, "a PNG image"},
        {"GIF89a" + tail, "a GIF image"},
        {"\xFF\xD8\xFF\xE0" + tail, "a JPEG image"},
        {std::string("RIFF\x10\0\0\0WEBPVP8L", 16) + tail, "a WebP image"},
        {std::string("RIFF\x10\0\0\0WAVEfmt ", 16) + tail, "a WAV sound"},
        {std::string("PK\x03\x04\x14\0", 6) + tail, "a ZIP archive"},
        {"%PDF-1.7\n" + tail, "a PDF document"},
        {"\x7F" "ELF\x02\x01\x01" + tail, "an ELF program"},
        {pe, "a Windows program"},
        {"  <!DOCTYPE html>\n<html>" + tail, "an HTML document"},
        {"<?xml version=\"1.0\"?>" + tail, "an XML document"},
        {"\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\x82\x84webm" + tail, "a WebM video"},
        {std::string("\0\0\0\x20" "ftypisom", 12) + tail, "an MP4 video"},
    };
  }();
  return samples;
}

std::string compressed_with(const std::string& tool, const std::string& bytes) {
  RunResult r = run_program({"/usr/bin/" + tool, "-c"}, "", {}, bytes, 60);
  return r.exit_code == 0 ? r.out : std::string();
}

}  // namespace vt_test
