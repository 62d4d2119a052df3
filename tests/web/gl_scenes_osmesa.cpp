// The layer comparison's reference side: every scene drawn by OSMesa into a buffer of its own and
// written as raw RGBA (bottom row first) to DIR/NAME.rgba.
#include <GL/osmesa.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/web/gl_scenes.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  std::vector<uint8_t> buffer(size_t(kSceneSize) * kSceneSize * 4);
  if (!context || !OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, kSceneSize, kSceneSize)) {
    fprintf(stderr, "gl_scenes_osmesa: no OSMesa context\n");
    return 1;
  }
  std::vector<uint8_t> rgba(buffer.size());
  for (int i = 0; i < kGlSceneCount; i++) {
    gl_scene_run(i, rgba.data());
    std::string path = std::string(argv[1]) + "/" + kGlScenes[i].name + ".rgba";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(rgba.data(), 1, rgba.size(), f) != rgba.size() || fclose(f) != 0) {
      fprintf(stderr, "gl_scenes_osmesa: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  OSMesaDestroyContext(context);
  return 0;
}
