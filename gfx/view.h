// View set-up and presentation: the initial GL state, the top-left pixel projection, resizing,
// presenting frames, front-buffer drawing, the scissored clear and the optional extensions.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

extern VT_API unsigned char ortho_2d;        // 1: pixel projection on resize; 0: perspective
extern VT_API uint32_t last_clear_colour;    // 0xRRGGBB last given to glClearColor by gfx_present
extern VT_API int32_t has_aniso;             // -1 unknown, 0 absent, 1 present
extern VT_API float max_aniso;               // the largest anisotropy, 0 until asked
extern VT_API int32_t has_swap_control;      // -1 unknown, 0 absent, 1 present
extern VT_API int (*swap_interval_fn)(int);  // the driver's swap-interval function

// The initial GL state (black clear colour, depth test), cleared, then gfx_resize.
VT_API void gfx_gl_init(int width, int height);
// Sets the drawing size, the viewport and the projection (pixels when ortho_2d is set).
VT_API void gfx_resize(int width, int height);
// Perspective projection with a horizontal field of view; leaves the model-view matrix selected.
VT_API void gfx_perspective(float fov_degrees, float near_z, float far_z);
// The same, widened so that at least the vertical extent of a 4:3 window stays in view.
VT_API void gfx_perspective_fit(float fov_degrees, float near_z, float far_z);
// Shows the frame drawn, then clears the next one in colour (0xRRGGBB) and loads the identity.
VT_API void gfx_present(uint32_t colour);
VT_API void gfx_present_twice(uint32_t colour);  // gfx_present twice: both buffers cleared
// Shows the frame drawn and nothing more: no clear, no matrix change. For scenes that clear
// their own background (or draw over the whole window) every frame.
VT_API void gfx_swap_buffers(void);
VT_API void gfx_draw_front(void);  // finishes the frame and draws into the front buffer from now on
// Clears colour and depth in a rectangle; (x, y) its lower left corner, counted from the bottom.
VT_API void gfx_clear_rect(int x, int y, int width, int height);
VT_API float gfx_gl_version(void);  // the OpenGL version as a number, such as 2.1; 0 when unknown
// Gives the bound 2D texture the largest anisotropic filtering, when the driver offers it.
VT_API void gfx_anisotropy(void);
// Frames to wait for at each swap (0: none, 1: the display's refresh), when the driver can.
VT_API void gfx_swap_interval(int interval);

VT_END_DECLS
