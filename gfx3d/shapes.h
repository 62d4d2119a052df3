// Solid shapes for 3D scenes in immediate mode: spheres, sphere octants for rounded corners, open
// cylinders, cubes and axis-aligned boxes (plain, textured, wire). Only draw_sphere opens its own
// GL_QUADS batch; the emit_ calls go into the caller's open batch (GL_QUADS, or GL_LINES for
// emit_box_edges) so many shapes can share one. Colours are 0xRRGGBB, set once before the first
// vertex; the cube and box calls set none. Lighting, texturing and matrices are the caller's.
#pragma once

#include "../support/vt_api.h"

VT_BEGIN_DECLS

// Spheres of 2 x n^2 quads: z is the polar axis, each vertex has its unit normal.
VT_API void draw_sphere(double x, double y, double z, double r, int colour, int n);
VT_API void emit_sphere(double x, double y, double z, double r, int colour, int n);
// (n / 2)^2 quads of one eighth of a sphere, the octant picked by the signs sx, sy, sz (+1 or -1).
VT_API void emit_sphere_octant(double x, double y, double z, double r, int sx, int sy, int sz,
                               int colour, int n);
// 2 x n quads around the segment from (x0, y0, z0) to (x1, y1, z1), ends open. Equal ends (no
// direction) emit nothing.
VT_API void emit_cylinder(double x0, double y0, double z0, double x1, double y1, double z1,
                          double r, int colour, int n);
VT_API void emit_cube(double x, double y, double z, double d);      // corner and edge length
// The cube with texture coordinates (0,0)..(1,1) on every face.
VT_API void emit_cube_tex(double x, double y, double z, double d);
VT_API void emit_box(double x0, double x1, double y0, double y1, double z0, double z1);
// Texture coordinates that repeat every g units.
VT_API void emit_box_tex(double x0, double x1, double y0, double y1, double z0, double z1,
                         double g);
// The box's twelve edges: 24 vertices into GL_LINES.
VT_API void emit_box_edges(double x0, double x1, double y0, double y1, double z0, double z1);

VT_END_DECLS
