// The layer comparison's browser side: every scene drawn through the web host's OpenGL 1.1 layer
// on the page's canvas; the pictures and the scenes' tolerances go to window.glScenes for the test.
#include <emscripten.h>

#include <vector>

#include "host/web/web_gl.h"
#include "tests/web/gl_scenes.h"

EM_JS(void, scene_done, (const char* name, const uint8_t* rgba, int size, int tolerance, int off), {
  window.glScenes = window.glScenes || [];
  window.glScenes.push({ name: UTF8ToString(name), tolerance: tolerance, maxOff: off,
                         pixels: Array.from(HEAPU8.subarray(rgba, rgba + size)) });
});
EM_JS(void, scenes_finished, (int ok), { window.glScenesDone = ok ? 'done' : 'no WebGL 2'; });

int main() {
  if (!web_gl_create("#canvas")) {
    scenes_finished(0);
    return 1;
  }
  std::vector<uint8_t> rgba(size_t(kSceneSize) * kSceneSize * 4);
  for (int i = 0; i < kGlSceneCount; i++) {
    gl_scene_run(i, rgba.data());
    scene_done(kGlScenes[i].name, rgba.data(), int(rgba.size()), kGlScenes[i].tolerance,
               kGlScenes[i].max_off_pixels);
  }
  scenes_finished(1);
  return 0;
}
