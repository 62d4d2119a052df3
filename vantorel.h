// Vantorel: a small OpenGL 1.1 graphics library for one-window programs, and the recorder and
// decoder of ".anim" frame-delta animations that the Vantorel player plays.
//
// This header brings the whole public API; each area's header can also be included on its own
// (<vantorel/gfx/window.h>, ...). Every header compiles as C99 and as C++, and the API has C
// linkage. A program links the library with exactly one host backend:
//   CMake:  find_package(Vantorel 1.0 CONFIG REQUIRED), or add_subdirectory of a checkout, then
//           target_link_libraries(prog PRIVATE Vantorel::sdl)  (a desktop window through SDL2)
//       or                                 Vantorel::headless (off-screen through OSMesa)
//       or                                 Vantorel::win32    (Windows builds)
//           Vantorel::sdl_static, Vantorel::headless_static: the same with the static library.
//   pkg-config: vantorel-sdl or vantorel-headless (--static for the static library).
//   Other languages: load libvantorel-headless.so.1 or libvantorel-sdl.so.1, each complete on its
//           own, and call the functions by their plain names.
// The program's entry is a plain int main(int argc, char** argv) on every platform: gfx_open does
// what the host needs at start-up. One thread; coordinates in window pixels from the top-left;
// colours 0xRRGGBB; every reported error ends the program through gfx_fatal.
//
// Licence: zlib (see LICENSE at the root of the source tree).
#pragma once

#include "version.h"  // VANTOREL_VERSION_*, vantorel_version

// ---- support: the growable array and small helpers -------------------------------------------
#include "support/vt_api.h"    // VT_API, VT_BEGIN_DECLS / VT_END_DECLS
#include "support/dyn_array.h"  // DynArray: growable array, binary streams
#include "support/util.h"       // min/max, pseudo-random numbers, string copies

// ---- gfx: the window and input shell, clock, errors, 2D drawing, screenshots -----------------
#include "host/host_types.h"   // the window-system handles kept in the shell globals
#include "gfx/shell_state.h"   // screen_w, keydown, key_queue, mouse_*: the shell globals
#include "gfx/keys.h"          // GFX_KEY_* names, gfx_key_down / pressed / released
#include "gfx/window.h"        // gfx_open, gfx_poll, gfx_inkey, full screen
#include "gfx/view.h"          // GL set-up, projections, gfx_present
#include "gfx/clock.h"         // gfx_clock: seconds
#include "gfx/pacing.h"        // gfx_wait_until: frame pacing
#include "gfx/error_log.h"     // gfx_fatal, the error log, date stamps
#include "gfx/draw2d.h"        // points, lines, boxes, circles, arcs; begin2d / end2d
#include "gfx/screenshot.h"    // BMP (and PNG) screenshots, the pointer marker

// ---- text: fonts, variants, mark-up, text drawing ---------------------------------------------
#include "text/texture.h"        // mipmapped texture upload, cube faces
#include "text/font.h"           // Font, loading bitmap fonts, the current font
#include "text/builtin_font.h"   // font_load_builtin: the built-in "caption" fonts
#include "text/font_variants.h"  // "caption:size=24px:bold" specifiers, font_use
#include "text/text_draw.h"      // font_print, text_width, escapes
#include "text/markup.h"         // Greek names, scripts, colour and tab codes

// ---- captions: timed caption files -------------------------------------------------------------
#include "captions/captions.h"  // load_captions, draw_caption

// ---- gfx3d: 3D shapes, cube-map backdrops, blur, 3D text --------------------------------------
#include "gfx3d/shapes.h"   // spheres, cylinders, cubes, boxes
#include "gfx3d/cubemap.h"  // make_cubemap, draw_skybox
#include "gfx3d/blur.h"     // screen_blur
#include "gfx3d/text3d.h"   // text on surfaces and in 3D

// ---- anim: the ".anim" format: decoding, recording, the palette -------------------------------
#include "anim/format.h"     // the numbers of the .anim format by name
#include "anim/anim_file.h"  // AnimFile: open, rewind, close; anim_writer_open (the recorder)
#include "anim/decode.h"     // anim_decode_frame, anim_next_frame: playing
#include "anim/canvas.h"     // decoding into memory
#include "anim/encode.h"     // anim_encode_frame: recording
#include "anim/palette.h"    // the 256-colour palette, nearest_color
#include "anim/rgb_frames.h"  // files as RGB pictures behind opaque handles (other languages)
