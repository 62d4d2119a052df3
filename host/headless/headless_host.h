// The headless backend's own interface: the input script, PNG snapshots of the picture, and a view
// of the simulated window and display for tests. Programs only ever use host/host.h; tests linked
// with this backend may also reset it and look inside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One script line after parsing. Lines are "<poll> <action> [args]", applied at the start of the
// given 1-based gfx_poll call; "press KEY" becomes a down at that poll and an up at the next.
enum class ScriptKind { down, up, character, size, mouse, wheel, close, quit, snapshot, restore };
struct ScriptAction {
  int poll;
  ScriptKind kind;
  int key;           // down, up: virtual-key code
  int a, b, c;       // size: w, h; mouse: x, y, buttons (MK_* bits); wheel: +1 up, -1 down
  std::string text;  // character: the text; snapshot: the file
};

// Parses a whole script into actions ordered by poll (file order within one poll). On a bad line
// returns false with a message naming the line.
bool headless_parse_script(const std::string& script, std::vector<ScriptAction>* actions,
                           std::string* error);
// Virtual-key code of a script key name (a letter or digit, esc, add, subtract, alt, tab, space,
// enter, or 0xNN; case ignored), or -1.
int headless_key_code(const std::string& name);

// Writes an 8-bit RGB PNG, top row first, from an RGBA buffer stored bottom row first. Returns
// non-zero on success.
int headless_write_png(const char* path, const uint8_t* rgba_bottom_up, int width, int height);

// VANTOREL_SCREEN "WxH" and VANTOREL_DESKTOP "WxH+X+Y" (X and Y signed): true with the values
// when the text holds them with a positive size; numbers beyond the int range are refused.
bool headless_parse_screen(const char* text, int* width, int* height);
bool headless_parse_desktop(const char* text, int* width, int* height, int* x, int* y);

// ---- for tests ----------------------------------------------------------------------------------

struct HeadlessState {
  bool window_exists;
  std::string title;
  uint32_t style;
  int x, y, outer_w, outer_h;  // as passed to host_create_window
  int client_w, client_h;      // the drawing buffer
  bool iconic, topmost;
  int display_w, display_h;    // the primary screen now (a display-mode change alters it)
  int display_changes;         // changes made (restores not counted)
  bool display_changed;        // a change is in force
  int cursor_count;            // ShowCursor's counter (below 0: hidden)
  int cursor_x, cursor_y;
  int polls;                   // gfx_poll calls seen so far
};
HeadlessState headless_state();

// Forgets the class, window, current context (deleted), messages, keys and script, and reads
// VANTOREL_SCREEN and VANTOREL_DESKTOP again, so one test process can open the window again.
void headless_reset();
// Uses this script text instead of the file named by VANTOREL_SCRIPT.
void headless_set_script(const std::string& script);
// While on, the host notes the monotonic time in seconds at the start of every poll (the frame
// pacing benchmark reads the periods from them). Turning it on clears the notes.
void headless_record_polls(bool on);
const std::vector<double>& headless_poll_times();

// The colour at (x, y) of the drawing buffer, top-left origin, as 0xRRGGBB (0 outside).
uint32_t headless_pixel(int x, int y);
