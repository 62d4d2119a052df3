// The font loader's texture size limit, which the tests and fuzz targets lower to reach the
// paths of a small GL without one. Not part of the library's interface.
#pragma once

#include "text/font.h"

// The texture size limit the loader works to: GL_MAX_TEXTURE_SIZE unless a test has overridden it.
int font_max_texture_size(void);
void font_set_max_texture_size_override(int limit);  // 0 removes the override
