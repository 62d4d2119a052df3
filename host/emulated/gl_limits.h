// The largest drawing area the current OpenGL context can take, for the hosts that ask their
// desktop GL (SDL, Win32) rather than a renderer of their own.
#pragma once

// The viewport and renderbuffer limits of the current context; 0 where GL does not say. Clears
// the errors asking may leave.
void gl_limits(int* width, int* height);
