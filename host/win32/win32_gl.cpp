// Win32 OpenGL context: the pixel format of the window's own device context, the WGL rendering
// context, buffer swaps, extension look-up and the renderer's size limits. The shell calls
// extensions with the C calling convention, so WGL functions that use the system's convention are
// handed out through a wrapper.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "host/emulated/gl_limits.h"
#include "host/host.h"
#include "host/win32/win32_program_name.h"

namespace {

HDC to_hdc(HostDC dc) { return reinterpret_cast<HDC>(dc); }

PIXELFORMATDESCRIPTOR to_descriptor(const HostPixelFormat& f) {
  PIXELFORMATDESCRIPTOR pfd;
  ZeroMemory(&pfd, sizeof pfd);
  pfd.nSize = sizeof pfd;
  pfd.nVersion = f.version;
  pfd.dwFlags = f.flags;
  pfd.iPixelType = f.pixel_type;
  pfd.cColorBits = f.colour_bits;
  pfd.cAlphaBits = f.alpha_bits;
  pfd.cAccumBits = f.accum_bits;
  pfd.cDepthBits = f.depth_bits;
  pfd.cStencilBits = f.stencil_bits;
  pfd.cAuxBuffers = f.aux_buffers;
  pfd.iLayerType = f.layer_type;
  return pfd;
}

using SwapIntervalProc = BOOL(WINAPI*)(int);
SwapIntervalProc g_swap_interval = nullptr;

int swap_interval(int interval) { return g_swap_interval && g_swap_interval(interval); }

}  // namespace

int host_choose_pixel_format(HostDC dc, const HostPixelFormat* format) {
  if (!dc || !format) return 0;
  PIXELFORMATDESCRIPTOR pfd = to_descriptor(*format);
  return ChoosePixelFormat(to_hdc(dc), &pfd);
}

int host_set_pixel_format(HostDC dc, int format_number, const HostPixelFormat* format) {
  if (!dc || !format) return 0;
  PIXELFORMATDESCRIPTOR pfd = to_descriptor(*format);
  return SetPixelFormat(to_hdc(dc), format_number, &pfd) != 0;
}

HostGLRC host_create_context(HostDC dc) {
  if (!dc) return nullptr;
  HGLRC context = wglCreateContext(to_hdc(dc));
  if (!context)
    fprintf(stderr, "%s: wglCreateContext failed (error %lu)\n", win32_program_name(),
            GetLastError());
  return reinterpret_cast<HostGLRC>(context);
}

int host_make_current(HostDC dc, HostGLRC context) {
  // Releasing needs no device context; the shutdown path may have none.
  if (!context) return wglMakeCurrent(nullptr, nullptr) != 0;
  if (!dc) return 0;
  return wglMakeCurrent(to_hdc(dc), reinterpret_cast<HGLRC>(context)) != 0;
}

int host_delete_context(HostGLRC context) {
  return context && wglDeleteContext(reinterpret_cast<HGLRC>(context));
}

int host_swap_buffers(HostDC dc) { return dc && SwapBuffers(to_hdc(dc)); }

void* host_gl_proc_address(const char* name) {
  if (!name) return nullptr;
  PROC proc = wglGetProcAddress(name);
  // Some drivers return small numbers instead of null for names they do not know.
  intptr_t value = reinterpret_cast<intptr_t>(proc);
  if (value >= -1 && value <= 3) return nullptr;
  if (strcmp(name, "wglSwapIntervalEXT") == 0) {
    g_swap_interval = reinterpret_cast<SwapIntervalProc>(reinterpret_cast<void*>(proc));
    return reinterpret_cast<void*>(&swap_interval);
  }
  return reinterpret_cast<void*>(proc);
}

namespace {
using ExtensionsArbProc = const char*(WINAPI*)(HDC);
using ExtensionsExtProc = const char*(WINAPI*)();

// Asked before the shell's window exists: a hidden window of a private class with the same kind
// of pixel format and context, gone again before the function returns.
void probe_limits(int* width, int* height) {
  static const char kProbeClass[] = "Vantorel limits probe";
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = kProbeClass;
  RegisterClassA(&wc);  // fails harmlessly when a previous probe registered it
  HWND window = CreateWindowExA(0, kProbeClass, "", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  if (!window) return;
  HDC dc = GetDC(window);
  PIXELFORMATDESCRIPTOR pfd;
  ZeroMemory(&pfd, sizeof pfd);
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 24;
  int format = dc ? ChoosePixelFormat(dc, &pfd) : 0;
  HGLRC context = nullptr;
  if (format && SetPixelFormat(dc, format, &pfd)) context = wglCreateContext(dc);
  if (context && wglMakeCurrent(dc, context)) {
    gl_limits(width, height);
    wglMakeCurrent(nullptr, nullptr);
  }
  if (context) wglDeleteContext(context);
  if (dc) ReleaseDC(window, dc);
  DestroyWindow(window);
}
}  // namespace

const char* host_window_system_extensions() {
  // Through the WGL extension-string functions of the current context's driver.
  HDC dc = wglGetCurrentDC();
  if (!dc) return "";
  PROC arb = wglGetProcAddress("wglGetExtensionsStringARB");
  if (arb) {
    const char* list = reinterpret_cast<ExtensionsArbProc>(reinterpret_cast<void*>(arb))(dc);
    if (list) return list;
  }
  PROC ext = wglGetProcAddress("wglGetExtensionsStringEXT");
  if (ext) {
    const char* list = reinterpret_cast<ExtensionsExtProc>(reinterpret_cast<void*>(ext))();
    if (list) return list;
  }
  return "";
}

int host_max_drawing_area(int* width, int* height) {
  static int max_w = -1, max_h = -1;
  if (max_w < 0) {
    max_w = max_h = 0;
    if (wglGetCurrentContext()) gl_limits(&max_w, &max_h);
    else probe_limits(&max_w, &max_h);
  }
  if (width) *width = max_w;
  if (height) *height = max_h;
  return max_w > 0 && max_h > 0;
}
