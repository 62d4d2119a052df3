// Screen blur: softens everything drawn so far by blending shifted copies of the screen over
// itself, a separable 1-2-1 blur at distance r, then r/2, r/4, ... down to the last distance not
// below 1 pixel. The copies go into one texture kept for the rest of the run.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

extern VT_API unsigned blur_tex;  // 0 until the first screen_blur, then its copy texture

// Radius in pixels; below 1, NaN or infinite: no pass (the state changes are still made). Leaves
// GL_BLEND enabled with the factors GL_ONE, GL_ZERO; texturing and lighting as they were.
VT_API void screen_blur(float r);

VT_END_DECLS
