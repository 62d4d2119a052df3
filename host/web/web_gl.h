// The web host's OpenGL 1.1 layer over WebGL 2: what the window code calls besides the gl* entry
// points themselves (which host/web/web_gl.cpp defines under their OpenGL names, so the library's
// drawing code builds unchanged). The layer draws into two buffers like a double-buffered window:
// the back buffer is a framebuffer object, the front buffer is the canvas (or, kept off screen, a
// framebuffer object copied onto it), whose drawing buffer is preserved between browser frames,
// so front-buffer drawing adds to the previous picture.
#pragma once

// Makes a WebGL 2 context on the page's canvas (CSS selector, e.g. "#canvas") and sets the
// OpenGL 1.1 initial state. Returns non-zero on success; the context stays current for the run.
int web_gl_create(const char* canvas_selector);

// The canvas's drawing buffer changed size: both buffers take the new size (the back buffer's
// picture is lost, as a resized window's is).
void web_gl_resize(int width, int height);

// SwapBuffers: the back buffer's picture is copied onto the front buffer.
void web_gl_swap();

// Called before web_gl_create: the front buffer becomes a framebuffer object of its own, shown on
// the canvas only by web_gl_present, so that a program drawing faster than the page is painted
// costs one copy per painted frame rather than a canvas update per drawn frame.
void web_gl_keep_front_off_screen();

// Non-zero when the front buffer is kept off screen and holds a picture the canvas lacks.
int web_gl_front_unshown();

// Copies the off-screen front buffer onto the canvas (nothing when it is already there). Only
// between frames: the canvas then shows a whole one.
void web_gl_present();

// Everything batched is drawn (glFinish and glFlush call it too).
void web_gl_flush();

// The drawing area the renderer can hold (its largest renderbuffer and viewport).
void web_gl_limits(int* width, int* height);
