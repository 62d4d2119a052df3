// View set-up and presentation: the initial GL state, the top-left pixel projection, resizing,
// presenting frames, front-buffer drawing, the scissored clear and the optional extensions.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

extern VT_API unsigned char ortho_2d;        // 1: pixel projection on resize; 0: perspective
extern VT_API uint32_t last_clear_colour;    // 0xRRGGBB last given to glClearColor by gfx_present
extern VT_API int32_t has_aniso;             // -1 unknown, 0 absent, 1 present
extern VT_API float max_aniso;
extern VT_API int32_t has_swap_control;      // -1 unknown, 0 absent, 1 present
extern VT_API int (*swap_interval_fn)(int);  // the driver's swap-interval function

VT_API void gfx_gl_init(int width, int height);
VT_API void gfx_resize(int width, int height);
VT_API void gfx_perspective(float fov_degrees, float near_z, float far_z);
VT_API void gfx_perspective_fit(float fov_degrees, float near_z, float far_z);
VT_API void gfx_present(uint32_t colour);
VT_API void gfx_present_twice(uint32_t colour);
VT_API void gfx_draw_front(void);
VT_API void gfx_clear_rect(int x, int y, int width, int height);
VT_API float gfx_gl_version(void);
VT_API void gfx_anisotropy(void);
VT_API void gfx_swap_interval(int interval);

VT_END_DECLS
