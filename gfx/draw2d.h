// 2D drawing primitives: points, lines, boxes, circles and arcs in one call each, colours as
// 0xRRGGBB, plus the switch to a window-pixel projection (begin2d/end2d) and the calls that relate
// model units to window pixels. The _v variants emit only colour and vertices, for use inside a
// caller's glBegin/glEnd of the matching primitive.
#pragma once

#include <stdint.h>

#include "../support/vt_api.h"

VT_BEGIN_DECLS

VT_API void drawpoint(double x, double y, uint32_t colour);
VT_API void drawpoint_v(double x, double y, uint32_t colour);     // inside GL_POINTS
VT_API void drawline(double x1, double y1, double x2, double y2, uint32_t colour);  // lighting kept
// inside GL_LINES
VT_API void drawline_v(double x1, double y1, double x2, double y2, uint32_t colour);
VT_API void fillbox(double x, double y, double w, double h, uint32_t colour);
VT_API void fillbox_v(double x, double y, double w, double h, uint32_t colour);  // inside GL_QUADS
VT_API void drawbox(double x, double y, double w, double h, uint32_t colour);
VT_API void drawrect(double x1, double y1, double x2, double y2, uint32_t colour);
VT_API void fillcircle(double x, double y, double r, uint32_t colour);
VT_API void drawcircle(double x, double y, double r, uint32_t colour);
// Pie sector (inner radius 0) or ring sector; angles in radians, 0 pointing up on screen and
// growing clockwise. Only the low 8 bits of alpha count.
VT_API void fillarc(double x, double y, double inner_r, double outer_r, double start_angle,
                    double end_angle, uint32_t colour, uint32_t alpha);

// Segments used by fillcircle/drawcircle for radius r under the current matrices.
VT_API int circle_segments(double r);

// Window-pixel projection (origin top-left, y down) whatever the viewport; disables depth testing.
// end2d restores both matrices and enables depth testing. Paired, not nested.
VT_API void begin2d(void);
VT_API void end2d(void);

// side of one window pixel in current model units (orthographic)
VT_API double units_per_pixel(void);
// width of one window pixel in eye units, from the projection alone
VT_API double units_per_pixel_x(void);
// Window position of a model point (y counted from the top of the viewport, no perspective divide).
VT_API void gfx_project(double x, double y, double z, double* wx, double* wy);
VT_API void gfx_smooth(void);           // blending plus point and line smoothing

VT_END_DECLS
