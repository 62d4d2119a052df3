// 2D drawing primitives: points, lines, boxes, circles and arcs in one call each, colours as
// 0xRRGGBB, plus the switch to a window-pixel projection (begin2d/end2d) and the calls that relate
// model units to window pixels. The _v variants emit only colour and vertices, for use inside a
// caller's glBegin/glEnd of the matching primitive.
#pragma once

#include <cstdint>

void drawpoint(double x, double y, uint32_t colour);
void drawpoint_v(double x, double y, uint32_t colour);     // inside GL_POINTS
void drawline(double x1, double y1, double x2, double y2, uint32_t colour);  // lighting kept
void drawline_v(double x1, double y1, double x2, double y2, uint32_t colour);  // inside GL_LINES
void fillbox(double x, double y, double w, double h, uint32_t colour);
void fillbox_v(double x, double y, double w, double h, uint32_t colour);  // inside GL_QUADS
void drawbox(double x, double y, double w, double h, uint32_t colour);
void drawrect(double x1, double y1, double x2, double y2, uint32_t colour);
void fillcircle(double x, double y, double r, uint32_t colour);
void drawcircle(double x, double y, double r, uint32_t colour);
// Pie sector (inner radius 0) or ring sector; angles in radians, 0 pointing up on screen and
// growing clockwise. Only the low 8 bits of alpha count.
void fillarc(double x, double y, double inner_r, double outer_r, double start_angle,
             double end_angle, uint32_t colour, uint32_t alpha);

// Segments used by fillcircle/drawcircle for radius r under the current matrices.
int circle_segments(double r);

// Window-pixel projection (origin top-left, y down) whatever the viewport; disables depth testing.
// end2d restores both matrices and enables depth testing. Paired, not nested.
void begin2d();
void end2d();

double units_per_pixel();    // side of one window pixel in current model units (orthographic)
double units_per_pixel_x();  // width of one window pixel in eye units, from the projection alone
// Window position of a model point (y counted from the top of the viewport, no perspective divide).
void gfx_project(double x, double y, double z, double* wx, double* wy);
void gfx_smooth();           // blending plus point and line smoothing
