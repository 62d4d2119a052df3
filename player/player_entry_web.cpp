// Process entry in the browser: the page hands the switches and the file (already in the
// in-memory file system under /files) as arguments; they become the Windows-style command line
// as on POSIX, with /files as the starting folder and /vantorel as the program's own. The element
// also asks, outside the run, for a file's extent and length and for the frame on screen.
#include <emscripten.h>

#include <string>

#include "anim/anim_file.h"
#include "anim/decode.h"
#include "gfx/shell_state.h"
#include "host/host.h"
#include "player/player.h"
#include "player/posix_command_line.h"

namespace {

struct Extent {
  int width = 0, height = 0;
  void add(int x, int y, int side) {
    if (x + side <= 0 || y + side <= 0) return;
    if (x + side > width) width = x + side;
    if (y + side > height) height = y + side;
  }
};

Extent g_extent;  // of the file web_anim_info went through last

}  // namespace

// One pass over the file the element plays (/files/play.anim, as much of it as has arrived):
// returns its number of frames (-1 when it cannot be opened) and keeps the extent its frames cover
// for web_anim_width and web_anim_height. Called straight, not through ccall, since it may come
// while the program sleeps.
extern "C" EMSCRIPTEN_KEEPALIVE int web_anim_info() {
  g_extent = Extent();
  AnimFile anim = anim_open("/files/play.anim");
  if (!anim.file) return -1;
  Extent& extent = g_extent;
  AnimSink sink = {};
  sink.user = &extent;
  sink.pixel = [](void* u, int x, int y, int) { static_cast<Extent*>(u)->add(x, y, 1); };
  sink.block = [](void* u, int x, int y, const unsigned char*) {
    static_cast<Extent*>(u)->add(x, y, 8);
  };
  int frames = 0;
  for (;;) {
    long long start = anim.offset;
    if (!anim_decode_frame(&anim, &sink)) break;
    // The call after the last frame of a file reads nothing; it is no frame of the file.
    if (anim.offset == start && anim_at_end(&anim)) break;
    frames++;
  }
  anim_close(anim);
  return frames;
}

extern "C" EMSCRIPTEN_KEEPALIVE int web_anim_width() { return g_extent.width; }
extern "C" EMSCRIPTEN_KEEPALIVE int web_anim_height() { return g_extent.height; }

extern "C" EMSCRIPTEN_KEEPALIVE int web_current_frame() { return player_frame_on_screen(); }

namespace {

// Bytes of the file in the file system so far while it is still arriving; -1 once it is whole.
EM_JS(double, web_bytes_arrived, (), {
  var n = Module['vantorelArrived'];
  return typeof n === 'number' ? n : -1;
});

// The next frame may be cut short while fewer bytes than this lie ahead of the decoder: a margin,
// and twice the longest frame seen (frames of one animation are of similar sizes).
constexpr long long kMargin = 65536;

bool data_pending(const AnimFile* anim) {
  static long long last_offset = 0, longest = 0;
  static int last_frame = 0;
  if (anim->frame != last_frame) {
    if (anim->frame == last_frame + 1 && anim->offset - last_offset > longest)
      longest = anim->offset - last_offset;
    last_frame = anim->frame;
    last_offset = anim->offset;
  }
  double arrived = web_bytes_arrived();
  return arrived >= 0 && arrived - double(anim->offset) < double(kMargin + 2 * longest);
}

// The browser shows the canvas at most once per display frame, after an animation-frame callback.
// A frame drawn while the last drawing has not been shown yet, less than a display frame after
// the pass before, would be overwritten unseen: it is held, unless the last drawing is a quarter
// of a second old (a hidden page runs no callbacks). Slower playback never waits here.
EM_JS(int, web_hold_drawing, (), {
  var now = performance.now(), last = Module['vantorelLastPass'] || 0;
  Module['vantorelLastPass'] = now;
  if (now - last < 8 && !Module['vantorelShown'] && now - (Module['vantorelDrawnAt'] || 0) < 250)
    return 1;
  Module['vantorelShown'] = false;
  Module['vantorelDrawnAt'] = now;
  requestAnimationFrame(function() { Module['vantorelShown'] = true; });
  return 0;
});

bool hold_drawing() { return web_hold_drawing() != 0; }

}  // namespace

int main(int argc, char** argv) {
  const std::string start_dir = "/files";
  host_set_start_directory(start_dir.c_str());
  std::string line = posix_command_line("/vantorel/vantorel", argc > 1 ? argc - 1 : 0,
                                        argv + (argc > 0), start_dir);
  host_set_command_line(line.c_str());
  gfx_instance = host_instance();
  player_data_pending = data_pending;
  player_hold_drawing = hold_drawing;
  player_main(host_command_line());
  return 0;
}
