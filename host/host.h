// Host services: every platform call the shell and the player make, one plain function each.
// The portable code (player/, gfx/, text/, ...) includes only this header, never SDL, OSMesa or
// Win32 headers. Each backend implements all of it; the build links exactly one per program:
//   host/posix/     process, directory, console, counters, dates (shared by the POSIX backends)
//   host/headless/  OSMesa context, scripted input, PNG snapshots (tests, machines without display)
//   host/sdl/       a real window through SDL2 with a desktop OpenGL context
//   host/win32/     the real Win32 calls on Windows (window, WGL, messages, console, counters, dates)
// Messages keep their Win32 codes and the key arrays their virtual-key codes, so the shell reads
// the same on every host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_types.h"

// ---- Opaque handles: host/host_types.h (null means "none"). Calls given a null handle fail
// without effect (the shutdown path relies on it).

// ---- Process -----------------------------------------------------------------------------------

// The whole command line as one Windows-style string, program path first (what the player splits
// with its own quoting rules). Stays valid for the whole run.
const char* host_command_line();

// Installed by the process entry before the player runs.
void host_set_command_line(const char* line);

// Module instance handle that the entry stores in gfx_instance.
HostInstance host_instance();

// Makes path the current directory; returns non-zero on success. The player ignores failure.
int host_set_current_directory(const char* path);

// The directory the user started the program in, before the player moved to its own folder
// (absolute, no trailing separator except for the root). Recorded by the entry.
const char* host_start_directory();
void host_set_start_directory(const char* dir);

// The characters that separate folders in a path: "\\" on Windows, "/\\" on POSIX hosts (where a
// backslash is kept as a separator for names written the Windows way).
const char* host_path_separators();

// Runs a program with the given argument vector (argv[0] is the program, looked up in PATH), no
// shell involved, and waits for it. Returns its exit status, or -1 when it could not be started.
int host_run_program(const char* const argv[]);

// ---- Message box and console -------------------------------------------------------------------

enum : unsigned {
  HOST_MB_OK = 0x0,
  HOST_MB_ICONERROR = 0x10,
  HOST_MB_SETFOREGROUND = 0x10000,
};

// Shows a modal message box (no owner window) and waits until it is dismissed; returns the button
// (1 for OK). Headless: one line "<caption>: <text>" on standard error, returns at once.
int host_message_box(const char* caption, const char* text, unsigned style);

// Console for the help text: open (AllocConsole), write (WriteConsoleA on the standard output
// handle), close the handle, and read one character from standard input (getchar; EOF is fine).
void host_console_open();
void host_console_write(const char* text, size_t length);
void host_console_close();
int host_console_getchar();

// ---- Counters ----------------------------------------------------------------------------------

// High-resolution counter. Frequency: counts per second; returns 0 when the host has no such
// counter. The clock divides once by the frequency and then multiplies each reading.
int host_perf_frequency(int64_t* frequency);
int host_perf_counter(int64_t* count);

// Milliseconds since the host started, wrapping at 2^32.
uint32_t host_tick_count();

// Sleeps until host_perf_counter reaches count (returns at once when it already has), with the
// host's finest timer: clock_nanosleep on the monotonic clock with an absolute deadline on POSIX.
// Never wakes early on purpose, but may wake late by the host's timer and scheduling latency;
// callers that need the exact moment sleep to shortly before it and read the counter after.
void host_sleep_until(int64_t count);

// ---- Dates -------------------------------------------------------------------------------------

// HostSystemTime (calendar fields): host/host_types.h.

// FileTimeToSystemTime: 100-ns intervals since 1601-01-01 to calendar fields, no time-zone
// conversion. Returns non-zero on success (0 for times the host cannot represent).
int host_filetime_to_systemtime(uint32_t low, uint32_t high, HostSystemTime* out);

enum : unsigned { HOST_TIME_FORCE24HOURFORMAT = 8 };

// GetDateFormatA / GetTimeFormatA with the user's default locale. time null means the current local
// time. Pictures use "yyyy", "MMM" (the locale's abbreviated month name), "dd", "HH", "mm", "ss".
// Writes at most size bytes including the terminator; returns the bytes written with the
// terminator, 0 when the buffer is too small (then the buffer holds an empty string if size > 0).
int host_format_date(const HostSystemTime* time, unsigned flags, const char* picture, char* out,
                     int size);
int host_format_time(const HostSystemTime* time, unsigned flags, const char* picture, char* out,
                     int size);

// ---- Screen and pointer ------------------------------------------------------------------------

// GetSystemMetrics indices the shell asks for.
enum : int {
  HOST_SM_CXSCREEN = 0,
  HOST_SM_CYSCREEN = 1,
  HOST_SM_CXFRAME = 32,
  HOST_SM_CYFRAME = 33,
  HOST_SM_CYCAPTION = 4,
  HOST_SM_XVIRTUALSCREEN = 76,
  HOST_SM_YVIRTUALSCREEN = 77,
  HOST_SM_CXVIRTUALSCREEN = 78,
  HOST_SM_CYVIRTUALSCREEN = 79,
};
int host_system_metric(int index);

// Pointer position in screen coordinates.
void host_cursor_pos(int* x, int* y);
void host_set_cursor_pos(int x, int y);
// ShowCursor: show non-zero shows, zero hides. Returns the new display counter.
int host_show_cursor(int show);

// ---- Window ------------------------------------------------------------------------------------

// The window procedure: the shell's gfx_wndproc. Dispatching a message calls it.
using HostWndProc = intptr_t (*)(HostWindow window, unsigned message, uintptr_t wparam,
                                 intptr_t lparam);

// Window class record as the shell fills it (class name, CS_* styles, procedure, instance; the
// arrow cursor, no icon, no background, no menu are implied).
struct HostWindowClass {
  unsigned style;
  HostWndProc procedure;
  HostInstance instance;
  const char* class_name;
};

// RegisterClassA; returns non-zero on success, 0 when the class is already registered.
int host_register_class(const HostWindowClass* window_class);

// Window styles the shell passes (WS_* values).
enum : uint32_t {
  HOST_WS_POPUP = 0x80000000u,
  HOST_WS_VISIBLE = 0x10000000u,
  HOST_WS_CLIPSIBLINGS = 0x04000000u,
  HOST_WS_CLIPCHILDREN = 0x02000000u,
  HOST_WS_SYSMENU = 0x00080000u,
  HOST_WS_THICKFRAME = 0x00040000u,
  HOST_WS_MINIMIZEBOX = 0x00020000u,
  HOST_WS_MAXIMIZEBOX = 0x00010000u,
};

// CreateWindowExA with no extended style, parent or menu: x, y, width, height are the outer
// rectangle. Returns null on failure. The host sends WM_SIZE with the client size once the window
// exists (through the message queue, dispatched by the next poll).
HostWindow host_create_window(const char* class_name, const char* title, uint32_t style, int x,
                              int y, int width, int height, HostInstance instance);

// The window's own device context (the class owns it), kept for the whole run.
HostDC host_get_dc(HostWindow window);
int host_release_dc(HostWindow window, HostDC dc);

// PIXELFORMATDESCRIPTOR fields the shell sets; every other field is zero.
struct HostPixelFormat {
  uint16_t size;       // 40
  uint16_t version;    // 1
  uint32_t flags;      // PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER
  uint8_t pixel_type;  // PFD_TYPE_RGBA (0)
  uint8_t colour_bits;
  uint8_t alpha_bits;
  uint8_t accum_bits;
  uint8_t depth_bits;
  uint8_t stencil_bits;
  uint8_t aux_buffers;
  uint8_t layer_type;  // PFD_MAIN_PLANE (0)
};
enum : uint32_t {
  HOST_PFD_DOUBLEBUFFER = 0x01,
  HOST_PFD_DRAW_TO_WINDOW = 0x04,
  HOST_PFD_SUPPORT_OPENGL = 0x20,
};

// ChoosePixelFormat: the best matching format's number, 0 if none. SetPixelFormat: non-zero on
// success.
int host_choose_pixel_format(HostDC dc, const HostPixelFormat* format);
int host_set_pixel_format(HostDC dc, int format_number, const HostPixelFormat* format);

// wglCreateContext / wglMakeCurrent / wglDeleteContext. make_current with a null context releases.
HostGLRC host_create_context(HostDC dc);
int host_make_current(HostDC dc, HostGLRC context);
int host_delete_context(HostGLRC context);

// SwapBuffers. Hosts with one buffer do nothing but finish drawing.
int host_swap_buffers(HostDC dc);

// wglGetProcAddress: an OpenGL or window-system extension function, or null.
void* host_gl_proc_address(const char* name);

// The window-system extensions of the current context's platform, blank-separated, under the
// names a Win32 driver lists them (swap control as "WGL_EXT_swap_control"), for the shell to look
// in beside the OpenGL extension string. Empty when the host offers none.
const char* host_window_system_extensions();

// The largest drawing area the renderer can hold (its maximum viewport and buffer sizes), asked
// before any window or buffer exists. Returns 0 when the host cannot tell.
int host_max_drawing_area(int* width, int* height);

// DEVMODE fields the shell sets for a display-mode change; everything else is zero.
struct HostDisplayMode {
  uint16_t size;    // 156
  uint32_t fields;  // DM_PELSWIDTH | DM_PELSHEIGHT (0x180000)
  uint32_t pels_width, pels_height;
};
enum : unsigned { HOST_CDS_FULLSCREEN = 4 };

// ChangeDisplaySettingsA. mode null with flags 0 restores the mode from the registry (the
// desktop's own mode). Returns 0 (DISP_CHANGE_SUCCESSFUL) on success.
int host_change_display_mode(const HostDisplayMode* mode, unsigned flags);

int host_is_iconic(HostWindow window);
// SetWindowPos with HWND_TOPMOST, SWP_NOMOVE | SWP_NOSIZE.
void host_set_topmost(HostWindow window);
// CloseWindow: minimises (does not destroy).
void host_minimise(HostWindow window);

// SetWindowTextA: the window's title.
void host_set_window_text(HostWindow window, const char* title);
// Non-zero: the window becomes borderless and covers its display in the display's current mode
// (no mode change); zero: back to a framed window at the place and size it had before. Either way
// the host sends WM_SIZE with the new client size.
void host_set_full_screen(HostWindow window, int full_screen);

// ---- Messages ----------------------------------------------------------------------------------

enum : unsigned {
  HOST_WM_DESTROY = 0x0002,
  HOST_WM_SIZE = 0x0005,
  HOST_WM_CLOSE = 0x0010,
  HOST_WM_QUIT = 0x0012,
  HOST_WM_KEYDOWN = 0x0100,
  HOST_WM_KEYUP = 0x0101,
  HOST_WM_CHAR = 0x0102,
  HOST_WM_SYSKEYDOWN = 0x0104,
  HOST_WM_SYSKEYUP = 0x0105,
  HOST_WM_MOUSEMOVE = 0x0200,
  HOST_WM_LBUTTONDOWN = 0x0201,
  HOST_WM_LBUTTONUP = 0x0202,
  HOST_WM_LBUTTONDBLCLK = 0x0203,
  HOST_WM_RBUTTONDOWN = 0x0204,
  HOST_WM_RBUTTONUP = 0x0205,
  HOST_WM_RBUTTONDBLCLK = 0x0206,
  HOST_WM_MBUTTONDOWN = 0x0207,
  HOST_WM_MBUTTONUP = 0x0208,
  HOST_WM_MBUTTONDBLCLK = 0x0209,
  HOST_WM_MOUSEWHEEL = 0x020A,
  HOST_WM_DROPFILES = 0x0233,  // wparam: the drop handle, read with host_drop_file_name
};
// Mouse-message wparam button bits (MK_*).
enum : unsigned { HOST_MK_LBUTTON = 0x01, HOST_MK_RBUTTON = 0x02, HOST_MK_MBUTTON = 0x10 };

struct HostMessage {
  HostWindow window;
  unsigned message;
  uintptr_t wparam;
  intptr_t lparam;
};

// PeekMessageA without removing: non-zero when a message is waiting. Hosts whose window system
// delivers events in batches gather them here.
int host_peek_message();
// GetMessageA: takes the oldest message; returns 0 when it is WM_QUIT, else non-zero.
int host_get_message(HostMessage* message);
// TranslateMessage: key-down messages of printable keys queue a WM_CHAR (hosts that deliver text
// directly queue WM_CHAR themselves and do nothing here).
void host_translate_message(const HostMessage* message);
// DispatchMessageA: calls the registered window procedure of message->window.
intptr_t host_dispatch_message(const HostMessage* message);
// DefWindowProcA: the host's default handling; WM_CLOSE there destroys the window.
intptr_t host_def_window_proc(HostWindow window, unsigned message, uintptr_t wparam,
                              intptr_t lparam);
// PostQuitMessage.
void host_post_quit_message(int exit_code);

// DragAcceptFiles: from now on files dropped on the window arrive as WM_DROPFILES.
void host_accept_dropped_files(HostWindow window);
// DragQueryFileA for the first file of a WM_DROPFILES drop: copies its name (at most size bytes
// with the terminator, cut if longer) and returns the name's whole length, 0 for no file.
// DragFinish releases the drop; the handle is not valid afterwards.
int host_drop_file_name(uintptr_t drop, char* out, int size);
void host_drop_finish(uintptr_t drop);

// ---- Keyboard ----------------------------------------------------------------------------------

// GetKeyboardState: one byte per virtual-key code, bit 7 down, bit 0 toggled. Called once per
// gfx_poll, after the pending messages have been dispatched.
void host_keyboard_state(unsigned char keys[256]);
