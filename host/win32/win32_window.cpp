// Win32 window services: screen metrics and the pointer, the window class and window, display-mode
// changes, the message loop into the shell's window procedure, and the keyboard state. Handles
// pass through host.h as opaque pointers; the GL side of the window is in win32_gl.cpp.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "host/host.h"
#include "host/win32/win32_program_name.h"

namespace {

HostWndProc g_procedure = nullptr;  // the shell's procedure for the one class it registers
HWND g_window = nullptr;            // set once CreateWindowExA has returned
bool g_tapped[256] = {};            // keys that went down since the last keyboard snapshot
MSG g_last = {};                    // the message host_get_message took, with its time and point

HWND to_hwnd(HostWindow window) { return reinterpret_cast<HWND>(window); }
HostWindow to_host(HWND hwnd) { return reinterpret_cast<HostWindow>(hwnd); }

// Messages sent while CreateWindowExA runs reach the default handling: the shell has no context
// yet and expects its first WM_SIZE from the queue once the window exists.
LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_procedure && g_window == hwnd)
    return g_procedure(to_host(hwnd), message, wparam, lparam);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

MSG to_msg(const HostMessage& m) {
  if (g_last.hwnd == to_hwnd(m.window) && g_last.message == m.message && g_last.wParam == m.wparam &&
      g_last.lParam == m.lparam)
    return g_last;
  MSG msg = {};
  msg.hwnd = to_hwnd(m.window);
  msg.message = m.message;
  msg.wParam = m.wparam;
  msg.lParam = m.lparam;
  msg.time = DWORD(GetMessageTime());
  DWORD pos = GetMessagePos();
  msg.pt.x = short(LOWORD(pos));
  msg.pt.y = short(HIWORD(pos));
  return msg;
}

}  // namespace

// ---- Screen and pointer ------------------------------------------------------------------------

int host_system_metric(int index) { return GetSystemMetrics(index); }

void host_cursor_pos(int* x, int* y) {
  POINT p = {0, 0};
  GetCursorPos(&p);  // fails only without a desktop; the origin then
  if (x) *x = p.x;
  if (y) *y = p.y;
}

void host_set_cursor_pos(int x, int y) { SetCursorPos(x, y); }

int host_show_cursor(int show) { return ShowCursor(show ? TRUE : FALSE); }

// ---- Window ------------------------------------------------------------------------------------

int host_register_class(const HostWindowClass* window_class) {
  if (!window_class || !window_class->procedure) return 0;
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = window_class->style;
  wc.lpfnWndProc = window_procedure;
  wc.hInstance = static_cast<HINSTANCE>(window_class->instance);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // The program's own icon (resource 1) for the title bar and the task bar; none when the program
  // carries no icon, as before.
  wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  wc.lpszClassName = window_class->class_name;
  if (!RegisterClassA(&wc)) return 0;
  g_procedure = window_class->procedure;
  return 1;
}

HostWindow host_create_window(const char* class_name, const char* title, uint32_t style, int x,
                              int y, int width, int height, HostInstance instance) {
  if (g_window) return nullptr;  // the shell serves one window per process
  HWND hwnd = CreateWindowExA(0, class_name, title ? title : "", style, x, y, width, height,
                              nullptr, nullptr, static_cast<HINSTANCE>(instance), nullptr);
  if (!hwnd) {
    fprintf(stderr, "%s: CreateWindowEx failed (error %lu)\n", win32_program_name(),
            GetLastError());
    return nullptr;
  }
  g_window = hwnd;
  RECT client = {0, 0, 0, 0};
  GetClientRect(hwnd, &client);
  PostMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  return to_host(hwnd);
}

HostDC host_get_dc(HostWindow window) {
  if (!window) return nullptr;
  return reinterpret_cast<HostDC>(GetDC(to_hwnd(window)));
}

int host_release_dc(HostWindow window, HostDC dc) {
  if (!window || !dc) return 0;
  return ReleaseDC(to_hwnd(window), reinterpret_cast<HDC>(dc));
}

int host_change_display_mode(const HostDisplayMode* mode, unsigned flags) {
  if (!mode) return int(ChangeDisplaySettingsA(nullptr, 0));
  DEVMODEA dm;
  ZeroMemory(&dm, sizeof dm);
  dm.dmSize = sizeof dm;
  dm.dmFields = mode->fields;
  dm.dmPelsWidth = mode->pels_width;
  dm.dmPelsHeight = mode->pels_height;
  return int(ChangeDisplaySettingsA(&dm, flags));
}

int host_is_iconic(HostWindow window) { return window && IsIconic(to_hwnd(window)); }

void host_set_topmost(HostWindow window) {
  if (window) SetWindowPos(to_hwnd(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void host_minimise(HostWindow window) {
  if (window) CloseWindow(to_hwnd(window));
}

// ---- Messages ----------------------------------------------------------------------------------

int host_peek_message() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

int host_get_message(HostMessage* message) {
  MSG msg;
  BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == -1) {
    // A broken queue cannot be waited on again: end the loop as a quit would.
    ZeroMemory(&msg, sizeof msg);
    msg.message = WM_QUIT;
    got = 0;
  }
  g_last = msg;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) g_tapped[msg.wParam & 0xFF] = true;
  if (message) *message = HostMessage{to_host(msg.hwnd), msg.message, msg.wParam, msg.lParam};
  return got != 0;
}

void host_translate_message(const HostMessage* message) {
  if (!message) return;
  MSG msg = to_msg(*message);
  TranslateMessage(&msg);
}

intptr_t host_dispatch_message(const HostMessage* message) {
  if (!message) return 0;
  MSG msg = to_msg(*message);
  return DispatchMessageA(&msg);
}

intptr_t host_def_window_proc(HostWindow window, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
  return DefWindowProcA(to_hwnd(window), message, wparam, lparam);
}

void host_post_quit_message(int exit_code) { PostQuitMessage(exit_code); }

// ---- Keyboard ----------------------------------------------------------------------------------

void host_keyboard_state(unsigned char keys[256]) {
  // The state follows the messages taken so far, so a key pressed and released within one poll
  // would read as up; it still shows as down in this snapshot, or the program would never see it.
  if (!GetKeyboardState(keys)) ZeroMemory(keys, 256);
  for (int vk = 0; vk < 256; vk++) {
    if (g_tapped[vk]) keys[vk] |= 0x80;
    g_tapped[vk] = false;
  }
}
