// Procedural cube maps and the backdrop drawn from them: make_cubemap asks a colour function for
// the colour seen in every direction (optionally averaging b x b samples per texel) and uploads
// the six faces with their mipmaps; draw_skybox paints such a texture around the eye.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Writes the colour seen along the unit direction (x, y, z) into rgb (red, green, blue, 0..255).
typedef void (*CubeColorFn)(double x, double y, double z, unsigned char rgb[3]);

// Builds a size x size cube map with mipmaps and leaves it bound to GL_TEXTURE_CUBE_MAP; the caller
// owns the returned texture name. samples 0 or 1 takes one sample at each texel centre. A size of
// 0 or above GL_MAX_CUBE_MAP_TEXTURE_SIZE, a size and sample count whose memory or call count
// cannot be counted, or memory that cannot be had, builds nothing and returns 0.
VT_API unsigned make_cubemap(CubeColorFn colour, unsigned size, unsigned samples);

// Paints the cube map around the eye under the current projection (the current matrix is replaced
// by the identity meanwhile), then clears the depth buffer so the scene drawn after it is never
// hidden. Lighting, enables, the binding and the matrix are restored; the colour is left white.
VT_API void draw_skybox(unsigned texture);

VT_END_DECLS
