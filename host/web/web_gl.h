// The web host's OpenGL 1.1 layer over WebGL 2: what the window code calls besides the gl* entry
// points themselves (which host/web/web_gl.cpp defines under their OpenGL names, so the library's
// drawing code builds unchanged). The layer draws into two buffers like a double-buffered window:
// the back buffer is a framebuffer object, the front buffer is the canvas, whose drawing buffer
// is preserved between browser frames, so front-buffer drawing adds to the previous picture.
#pragma once

// Makes a WebGL 2 context on the page's canvas (CSS selector, e.g. "#canvas") and sets the
// OpenGL 1.1 initial state. Returns non-zero on success; the context stays current for the run.
int web_gl_create(const char* canvas_selector);

// The canvas's drawing buffer changed size: both buffers take the new size (the back buffer's
// picture is lost, as a resized window's is).
void web_gl_resize(int width, int height);

// SwapBuffers: the back buffer's picture is copied onto the canvas.
void web_gl_swap();

// Everything batched is drawn (glFinish and glFlush call it too).
void web_gl_flush();

// The drawing area the renderer can hold (its largest renderbuffer and viewport).
void web_gl_limits(int* width, int* height);
