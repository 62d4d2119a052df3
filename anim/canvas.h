// A memory canvas of palette indices that the decoder can paint without any OpenGL context: the
// pixels that lie inside it are stored, the others dropped, like points falling off the screen.
// Used by animtool, the tests, the fuzz targets and the benchmarks.
#pragma once

#include "decode.h"

#include "../support/vt_api.h"

VT_BEGIN_DECLS

typedef struct AnimCanvas AnimCanvas;
struct AnimCanvas {
  int width, height;
  unsigned char* index;  // width x height palette indices, row-major, top row first (caller's)
};

// A sink that paints into canvas (which must outlive the sink).
VT_API AnimSink anim_canvas_sink(AnimCanvas* canvas);

VT_END_DECLS
