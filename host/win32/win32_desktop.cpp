// Win32 desktop services beside the window: its title, the switch between the framed window and
// full screen on the monitor's current mode (a popup over the monitor, no mode change), files
// dropped from Explorer (WM_DROPFILES), and the path separator.
#include <windows.h>
#include <shellapi.h>

#include "host/host.h"

namespace {

HWND to_hwnd(HostWindow window) { return reinterpret_cast<HWND>(window); }

constexpr LONG kFullScreenStyle = LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
constexpr LONG kWindowedStyle = LONG(WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                     WS_MAXIMIZEBOX | WS_VISIBLE | WS_CLIPSIBLINGS |
                                     WS_CLIPCHILDREN);

// The framed window to go back to; none when the window was opened full screen.
bool g_saved = false;
LONG g_saved_style = 0;
RECT g_saved_rect = {0, 0, 0, 0};

}  // namespace

const char* host_path_separators() { return "\\"; }

void host_set_window_text(HostWindow window, const char* title) {
  if (window) SetWindowTextA(to_hwnd(window), title ? title : "");
}

void host_set_full_screen(HostWindow window, int full_screen) {
  if (!window) return;
  HWND hwnd = to_hwnd(window);
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  bool popup = (style & WS_POPUP) != 0;
  MONITORINFO monitor;
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& m = monitor.rcMonitor;
  if (full_screen && !popup) {
    g_saved = true;
    g_saved_style = style;
    GetWindowRect(hwnd, &g_saved_rect);
    SetWindowLongA(hwnd, GWL_STYLE, kFullScreenStyle);
    SetWindowPos(hwnd, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  } else if (!full_screen && popup) {
    if (!g_saved) {
      // Opened full screen: a framed window of 0.6 of the monitor in its middle.
      RECT r = {0, 0, LONG((m.right - m.left) * 0.6), LONG((m.bottom - m.top) * 0.6)};
      AdjustWindowRect(&r, DWORD(kWindowedStyle), FALSE);
      LONG w = r.right - r.left, h = r.bottom - r.top;
      g_saved_style = kWindowedStyle;
      g_saved_rect = {m.left + (m.right - m.left - w) / 2, m.top + (m.bottom - m.top - h) / 2, 0, 0};
      g_saved_rect.right = g_saved_rect.left + w;
      g_saved_rect.bottom = g_saved_rect.top + h;
    }
    SetWindowLongA(hwnd, GWL_STYLE, g_saved_style);
    // Not topmost any more: the shell only forces that in full screen.
    SetWindowPos(hwnd, HWND_NOTOPMOST, g_saved_rect.left, g_saved_rect.top,
                 g_saved_rect.right - g_saved_rect.left, g_saved_rect.bottom - g_saved_rect.top,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    g_saved = false;
  }
  // SetWindowPos sends WM_SIZE with the new client size to the window procedure itself.
}

void host_accept_dropped_files(HostWindow window) {
  if (window) DragAcceptFiles(to_hwnd(window), TRUE);
}

int host_drop_file_name(uintptr_t drop, char* out, int size) {
  if (!drop) return 0;
  HDROP hdrop = reinterpret_cast<HDROP>(drop);
  if (DragQueryFileA(hdrop, 0xFFFFFFFFu, nullptr, 0) == 0) return 0;
  UINT length = DragQueryFileA(hdrop, 0, nullptr, 0);
  if (out && size > 0) DragQueryFileA(hdrop, 0, out, UINT(size));
  return int(length);
}

void host_drop_finish(uintptr_t drop) {
  if (drop) DragFinish(reinterpret_cast<HDROP>(drop));
}
