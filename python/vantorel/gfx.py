"""The Vantorel library's window, drawing, text, recording and screenshots from Python: thin
wrappers over its C calls through ctypes, with the same names where they read well in Python.

    from vantorel import gfx
    gfx.open(320, 240)                     # a window (off-screen with the headless library)
    gfx.load_font()                        # the built-in "caption" font
    with gfx.Recorder("out.anim") as rec:  # frames of the whole drawing area
        for step in range(60):
            gfx.clear(0x000000)
            gfx.fillcircle(40 + 3 * step, 120, 20, 0xFF4040)
            gfx.text(10, 10, "step %d" % step, 0xFFFFFF)
            rec.add()
            gfx.poll()

Colours are 0xRRGGBB integers; coordinates are pixels from the top-left corner, y down. Keys are
the KEY_* numbers (virtual-key codes) read with key_down and key_pressed after each poll().
Drawing needs the self-contained library (libvantorel-headless.so.1, or libvantorel-sdl.so.1 named
by VANTOREL_LIBRARY for a real window).
"""

import ctypes
import os

from . import _library
from ._library import Error

# Key numbers as the window reports them (the library's GFX_KEY_* names without GFX_): indices
# of the key states; letters and digits are their upper-case characters (KEY_A == ord("A")).

KEY_BACKSPACE = 0x08
KEY_TAB = 0x09
KEY_ENTER = 0x0D
KEY_SHIFT = 0x10
KEY_CONTROL = 0x11
KEY_ALT = 0x12
KEY_PAUSE = 0x13
KEY_CAPS_LOCK = 0x14
KEY_ESCAPE = 0x1B
KEY_SPACE = 0x20
KEY_PAGE_UP = 0x21
KEY_PAGE_DOWN = 0x22
KEY_END = 0x23
KEY_HOME = 0x24
KEY_LEFT = 0x25
KEY_UP = 0x26
KEY_RIGHT = 0x27
KEY_DOWN = 0x28
KEY_PRINT_SCREEN = 0x2C
KEY_INSERT = 0x2D
KEY_DELETE = 0x2E
KEY_LEFT_SUPER = 0x5B
KEY_RIGHT_SUPER = 0x5C
KEY_MENU = 0x5D
KEY_KP_0 = 0x60
KEY_KP_1 = 0x61
KEY_KP_2 = 0x62
KEY_KP_3 = 0x63
KEY_KP_4 = 0x64
KEY_KP_5 = 0x65
KEY_KP_6 = 0x66
KEY_KP_7 = 0x67
KEY_KP_8 = 0x68
KEY_KP_9 = 0x69
KEY_KP_MULTIPLY = 0x6A
KEY_KP_ADD = 0x6B
KEY_KP_SUBTRACT = 0x6D
KEY_KP_DECIMAL = 0x6E
KEY_KP_DIVIDE = 0x6F
KEY_F1 = 0x70
KEY_F2 = 0x71
KEY_F3 = 0x72
KEY_F4 = 0x73
KEY_F5 = 0x74
KEY_F6 = 0x75
KEY_F7 = 0x76
KEY_F8 = 0x77
KEY_F9 = 0x78
KEY_F10 = 0x79
KEY_F11 = 0x7A
KEY_F12 = 0x7B
KEY_NUM_LOCK = 0x90
KEY_SCROLL_LOCK = 0x91
KEY_LEFT_SHIFT = 0xA0
KEY_RIGHT_SHIFT = 0xA1
KEY_LEFT_CONTROL = 0xA2
KEY_RIGHT_CONTROL = 0xA3
KEY_LEFT_ALT = 0xA4
KEY_RIGHT_ALT = 0xA5
KEY_SEMICOLON = 0xBA
KEY_EQUALS = 0xBB
KEY_COMMA = 0xBC
KEY_MINUS = 0xBD
KEY_PERIOD = 0xBE
KEY_SLASH = 0xBF
KEY_GRAVE = 0xC0
KEY_LEFT_BRACKET = 0xDB
KEY_BACKSLASH = 0xDC
KEY_RIGHT_BRACKET = 0xDD
KEY_APOSTROPHE = 0xDE
KEY_NON_US_BACKSLASH = 0xE2
for _c in "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ":
    globals()["KEY_" + _c] = ord(_c)
del _c

FONT_CAPTION, FONT_GREEK = 0, 1  # the built-in fonts

_lib = None


def _gfx():
    """The library, declared for drawing; Error when it holds no window backend."""
    global _lib
    if _lib is not None:
        return _lib
    lib = _library.load()
    if not _library.has_backend():
        raise Error("drawing needs the self-contained library libvantorel-headless.so.1 (or "
                    "VANTOREL_LIBRARY naming it); only the portable library was found")
    c = ctypes
    d, i, u, s = c.c_double, c.c_int, c.c_uint32, c.c_char_p
    table = {
        "gfx_open": (i, [i, i, s]), "gfx_poll": (i, []), "gfx_present": (None, [u]),
        "gfx_present_twice": (None, [u]), "gfx_draw_front": (None, []),
        "gfx_wait_until": (d, [d, d]), "gfx_frame_end": (d, [d]),
        "drawpoint": (None, [d, d, u]), "drawline": (None, [d, d, d, d, u]),
        "fillbox": (None, [d, d, d, d, u]), "drawbox": (None, [d, d, d, d, u]),
        "drawrect": (None, [d, d, d, d, u]), "fillcircle": (None, [d, d, d, u]),
        "drawcircle": (None, [d, d, d, u]), "fillarc": (None, [d, d, d, d, d, d, u, u]),
        "font_load_builtin": (None, [i, s, c.c_uint8]), "font_use": (None, [s]),
        "font_print": (None, [i, i, i, s, u]), "text_width": (i, [s]),
        "screenshot_window": (None, [s, i]),
        "gfx_key_down": (i, [i]), "gfx_key_pressed": (i, [i]), "gfx_key_released": (i, [i]),
        "nearest_color": (i, [i]), "anim_palette_rgb": (None, [c.POINTER(i)]),
    }
    for name, (restype, argtypes) in table.items():
        fn = getattr(lib, name)
        fn.restype, fn.argtypes = restype, argtypes
    _lib = lib
    return lib


def _text(value):
    return value.encode("utf-8") if isinstance(value, str) else bytes(value)


# --- the window ----------------------------------------------------------------------------------

def open(width, height, title="vantorel"):
    """Opens the window with a drawing area of width x height pixels (one per process). Closing
    it makes poll() return True (and close_requested() too); the program ends when it chooses."""
    lib = _gfx()
    ctypes.c_ubyte.in_dll(lib, "windowed").value = 1
    ctypes.c_int.in_dll(lib, "gfx_close_returns").value = 1
    if not lib.gfx_open(int(width), int(height), _text(title)):
        raise Error("cannot open a window of %dx%d" % (width, height))


def size():
    """The drawing area as (width, height)."""
    lib = _gfx()
    return ctypes.c_int.in_dll(lib, "screen_w").value, ctypes.c_int.in_dll(lib, "screen_h").value


def poll():
    """Handles the window's messages and refreshes the keys; True when the program should end
    (a quit message, or the window closed)."""
    return bool(_gfx().gfx_poll())


def close_requested():
    """Whether the window's close button (or the headless script's close) was used."""
    return bool(ctypes.c_int.in_dll(_gfx(), "gfx_close_requested").value)


def clear(colour=0x000000):
    """Shows the frame drawn so far and starts the next one cleared to colour (gfx_present)."""
    _gfx().gfx_present(int(colour))


present = clear


def clock():
    """Seconds from an arbitrary origin, from the library's high-resolution clock."""
    lib = _gfx()
    pointer = ctypes.c_void_p.in_dll(lib, "gfx_clock").value
    return ctypes.CFUNCTYPE(ctypes.c_double)(pointer)()


def wait_until(deadline, limit=None):
    """Waits, sleeping, until clock() reaches deadline, or the clock reading limit if that comes
    first; returns the clock. A loop paced at 60 frames a second:
    next += 1 / 60; gfx.wait_until(next)."""
    deadline = float(deadline)
    return _gfx().gfx_wait_until(deadline, deadline if limit is None else float(limit))


def frame_end(fps=60):
    """Ends a frame of a loop running at fps frames a second: waits, sleeping, for the next
    frame's moment and returns the clock (no wait for fps 0)."""
    return _gfx().gfx_frame_end(float(fps))


# --- keys ----------------------------------------------------------------------------------------

def key_down(key):
    """Whether the key is down at the latest poll()."""
    return bool(_gfx().gfx_key_down(int(key)))


def key_pressed(key):
    """Whether the key went down at the latest poll() (down now, up at the poll before)."""
    return bool(_gfx().gfx_key_pressed(int(key)))


def key_released(key):
    """Whether the key came up at the latest poll()."""
    return bool(_gfx().gfx_key_released(int(key)))


# --- 2D drawing ----------------------------------------------------------------------------------

def point(x, y, colour):
    _gfx().drawpoint(x, y, colour)


def line(x1, y1, x2, y2, colour):
    _gfx().drawline(x1, y1, x2, y2, colour)


def fillbox(x, y, w, h, colour):
    """A filled box with its top-left corner at (x, y)."""
    _gfx().fillbox(x, y, w, h, colour)


def drawbox(x, y, w, h, colour):
    """The outline of a box."""
    _gfx().drawbox(x, y, w, h, colour)


def fillcircle(x, y, r, colour):
    _gfx().fillcircle(x, y, r, colour)


def drawcircle(x, y, r, colour):
    _gfx().drawcircle(x, y, r, colour)


def fillarc(x, y, inner_r, outer_r, start_angle, end_angle, colour, alpha=0xFF):
    """A ring sector between two radii and two angles (degrees)."""
    _gfx().fillarc(x, y, inner_r, outer_r, start_angle, end_angle, colour, alpha)


# --- text ----------------------------------------------------------------------------------------

def load_font(which=FONT_CAPTION, name="caption"):
    """Loads a built-in font under name and makes it current."""
    lib = _gfx()
    lib.font_load_builtin(which, _text(name), 0)
    lib.font_use(_text(name))


def use_font(spec):
    """Selects a font or variant by its specifier, such as "caption" or "caption:b"."""
    _gfx().font_use(_text(spec))


def text(x, y, string, colour=0xFFFFFF, wrap=0):
    """Draws text with its top-left corner at (x, y); wrap is the right-hand limit (0: none)."""
    _gfx().font_print(int(x), int(y), int(wrap), _text(string), colour)


def text_width(string):
    """The width in pixels of the first line of string in the current font."""
    return _gfx().text_width(_text(string))


# --- palette, screenshots and recording ----------------------------------------------------------

def palette_colour(colour):
    """The palette colour (0xRRGGBB) that recording stores for colour: draw with it, and the
    recording is exactly the picture drawn."""
    lib = _gfx()
    table = (ctypes.c_int * 256)()
    lib.anim_palette_rgb(table)
    return table[lib.nearest_color(int(colour))]


def screenshot(name, compress=False):
    """Saves the drawing area as the BMP file name (and converts it to PNG with bmp2png when
    compress is true and the converter is installed)."""
    _gfx().screenshot_window(_text(os.fspath(name)), 1 if compress else 0)


class Recorder:
    """Records what is drawn into an ".anim" file: add() appends the top-left width x height
    pixels of the drawing area (by default all of it) as a frame, quantised to the palette.
    The file is complete after every frame."""

    def __init__(self, path, version=2, size=None):
        lib = _gfx()
        self.path = os.fspath(path)
        self._count = 0
        area = globals()["size"]()
        width, height = (int(v) for v in size) if size is not None else area
        if width > area[0] or height > area[1]:
            raise ValueError("a recording of %dx%d does not fit the drawing area of %dx%d" %
                             (width, height, *area))
        self._handle = lib.anim_rgb_writer_open(os.fsencode(self.path), version, width, height)
        if not self._handle:
            raise Error(_library.message())

    @property
    def frames(self):
        """Frames recorded so far."""
        return self._count

    def add(self):
        """Appends the picture drawn so far as the next frame (before clear() shows it)."""
        if not self._handle:
            raise ValueError("the recorder of %s is closed" % self.path)
        if not _lib.anim_rgb_writer_add_screen(self._handle):
            raise Error(_library.message())
        self._count += 1

    def close(self):
        if self._handle:
            handle, self._handle = self._handle, None
            if not _lib.anim_rgb_writer_close(handle):
                raise Error(_library.message())

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        if getattr(self, "_handle", None):
            _lib.anim_rgb_writer_close(self._handle)
