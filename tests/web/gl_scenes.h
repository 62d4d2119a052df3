// Small OpenGL 1.1 scenes drawn the same way through OSMesa (the desktop's reference) and through
// the web host's layer over WebGL 2, so that their pictures can be compared. Each scene draws into
// a kSceneSize square context from a reset state and names the tolerance its comparison allows.
#pragma once

#include <cstdint>

constexpr int kSceneSize = 64;

struct GlScene {
  const char* name;
  void (*draw)();
  int tolerance;      // the largest difference in any channel that still agrees
  int max_off_pixels; // pixels allowed beyond the tolerance (edges OpenGL leaves open)
};

// Every scene, in order.
extern const GlScene kGlScenes[];
extern const int kGlSceneCount;

// Draws scene i from the reset state and reads the picture back (RGBA, bottom row first, as
// glReadPixels gives it) into rgba, kSceneSize * kSceneSize * 4 bytes.
void gl_scene_run(int i, uint8_t* rgba);
