// Texture upload with a full mipmap chain computed on the CPU by rounded 2x2 means, for 2D textures
// and the six faces of a cube map, and a rebuild of the chain of the bound 2D texture. Images are
// bytes with c components per pixel and rows padded to 4 bytes (OpenGL's default alignment). The
// caller binds the texture and sets its filters.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// component count 1..4 -> GL pixel format (index 0 unused)
extern VT_API const uint32_t tex_formats[5];

// Row stride in bytes of a w-pixel row of c components, padded to a multiple of 4.
VT_API int tex_stride(int w, int c);

// Uploads level 0 and every smaller level; the image buffer is overwritten by the reductions.
VT_API void tex_upload_mipmapped(uint32_t target, int c, int w, int h, uint8_t* image);
// Computes and uploads levels 1, 2, ... down to 1x1, reducing image (holding level 0) in place.
VT_API void tex_build_mips(uint32_t target, int c, uint32_t format, int w, int h, uint8_t* image);
// The six cube faces in the order +X, -X, +Y, -Y, +Z, -Z, each size x size.
VT_API void tex_upload_cube(int c, int size, uint8_t* const images[6]);
// Rebuilds levels 1.. of the texture bound to GL_TEXTURE_2D from its level 0.
VT_API void tex_rebuild_mips(void);

VT_END_DECLS
