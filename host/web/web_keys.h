// Browser keys as Windows virtual-key codes, the same table the desktop host uses, so the shell's
// key arrays read the same in the browser.
#pragma once

// Virtual-key code of a keyboard event (0 when it has none). key: the event's key value (letters
// and digits follow the layout, as on the desktop); code: its physical key ("KeyQ", "F11",
// "NumpadAdd", ...), which decides everything else. For Shift, Ctrl and Alt the generic code
// (0x10, 0x11, 0x12) is returned and *sided gets the left or right one (0xA0 to 0xA5).
int web_virtual_key(const char* key, const char* code, int* sided);
