// Recording from the screen: anim_writer_open at the current drawing size and anim_encode_frame,
// which reads the picture back from OpenGL, quantises it and hands it to the index encoder. A box
// larger than the drawing area is clipped to it and the rest recorded black.
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "anim/encode.h"
#include "anim/palette.h"
#include "gfx/shell_state.h"

AnimFile anim_writer_open(const char* path, int version) {
  return anim_writer_open_size(path, version, screen_w, screen_h);
}

void anim_encode_frame(AnimFile* anim) {
  if (!anim->file || !anim->columns) return;
  const int width = anim->width, height = anim->height;
  const size_t row_bytes = (size_t(3) * width + 3) & ~size_t(3);  // 4-byte row alignment
  unsigned char* rgb = static_cast<unsigned char*>(std::malloc(row_bytes * height));
  unsigned char* index = static_cast<unsigned char*>(std::malloc(size_t(width) * height));
  if (rgb && index) {
    // Only the part of the box inside the drawing area is read (OpenGL leaves what lies outside
    // undefined); the rest of the frame is black, so a box past the edge, or a window made smaller
    // while recording, still records the same pixels on every run.
    const int seen_w = std::max(0, std::min(width, screen_w));
    const int seen_h = std::max(0, std::min(height, screen_h));
    if (seen_w < width || seen_h < height) std::memset(rgb, 0, row_bytes * height);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, width);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    // Rows come bottom first; the read ones end the buffer, so screen row y stays buffer row
    // height - 1 - y.
    if (seen_w > 0 && seen_h > 0)
      glReadPixels(0, screen_h - seen_h, seen_w, seen_h, GL_RGB, GL_UNSIGNED_BYTE,
                   rgb + row_bytes * size_t(height - seen_h));
    glPopClientAttrib();
    // OpenGL returns the bottom row first; screen row y is buffer row height - 1 - y.
    for (int y = 0; y < height; y++)
      anim_quantise_row(rgb + row_bytes * (height - 1 - y), width, index + size_t(y) * width);
    anim_encode_indices(anim, index, width);
  }
  std::free(rgb);
  std::free(index);
}
