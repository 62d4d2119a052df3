// Small hand-made animations and the pictures the player should show for them: version 2 files
// built from block fills, the palette colours exactly as GL draws them, and the picture after the
// first frames of a file painted on a memory canvas. Shared by the player and playback tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt_test {

// One 8 x 8 block, (bx, by) in blocks, filled with a palette index.
struct BlockFill {
  int bx, by, index;
};

// The bytes of a version 2 file whose frame k fills the blocks frames[k], in order.
std::string block_fill_anim(const std::vector<std::vector<BlockFill>>& frames);

// Each palette entry as 0xRRGGBB, read back from a point GL drew in it (computed once).
const std::vector<uint32_t>& gl_palette_colours();

// The palette indices after the first `frames` frames of the file at path, painted on a w x h
// memory canvas that starts all 0.
std::vector<unsigned char> canvas_after(const std::string& path, int w, int h, int frames);

// The same picture in the colours GL draws, top row first.
std::vector<uint32_t> canvas_colours_after(const std::string& path, int w, int h, int frames);

// The first bytes of files of other common formats and what the readers call each: "a PNG image".
struct ForeignSample {
  std::string bytes, what;
};
const std::vector<ForeignSample>& foreign_samples();

// The file's bytes through gzip -c or zstd -c (the real tools), for compressed-file tests.
std::string compressed_with(const std::string& tool, const std::string& bytes);

}  // namespace vt_test
