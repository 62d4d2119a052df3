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

# Key numbers as the window reports them: letters and digits are their upper-case characters.
KEY_BACKSPACE, KEY_TAB, KEY_ENTER = 0x08, 0x09, 0x0D
KEY_SHIFT, KEY_CONTROL, KEY_ALT, KEY_PAUSE = 0x10, 0x11, 0x12, 0x13
KEY_ESCAPE, KEY_SPACE = 0x1B, 0x20
KEY_PAGE_UP, KEY_PAGE_DOWN, KEY_END, KEY_HOME = 0x21, 0x22, 0x23, 0x24
KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN = 0x25, 0x26, 0x27, 0x28
KEY_INSERT, KEY_DELETE = 0x2D, 0x2E
for _c in "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ":
    globals()["KEY_" + _c] = ord(_c)
for _n in range(10):
    globals()["KEY_KEYPAD_%d" % _n] = 0x60 + _n
for _n in range(1, 13):
    globals()["KEY_F%d" % _n] = 0x6F + _n
del _c, _n
KEY_KEYPAD_MULTIPLY, KEY_KEYPAD_ADD, KEY_KEYPAD_SUBTRACT = 0x6A, 0x6B, 0x6D
KEY_KEYPAD_DECIMAL, KEY_KEYPAD_DIVIDE = 0x6E, 0x6F

FONT_CAPTION, FONT_GREEK = 0, 1  # the built-in fonts

_KEY_ARRAY_SIZE = 384
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
        "gfx_wait_until": (d, [d, d]),
        "drawpoint": (None, [d, d, u]), "drawline": (None, [d, d, d, d, u]),
        "fillbox": (None, [d, d, d, d, u]), "drawbox": (None, [d, d, d, d, u]),
        "drawrect": (None, [d, d, d, d, u]), "fillcircle": (None, [d, d, d, u]),
        "drawcircle": (None, [d, d, d, u]), "fillarc": (None, [d, d, d, d, d, d, u, u]),
        "font_load_builtin": (None, [i, s, c.c_uint8]), "font_use": (None, [s]),
        "font_print": (None, [i, i, i, s, u]), "text_width": (i, [s]),
        "screenshot_window": (None, [s, i]),
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
    """Opens the window with a drawing area of width x height pixels (one per process)."""
    lib = _gfx()
    ctypes.c_ubyte.in_dll(lib, "windowed").value = 1
    if not lib.gfx_open(int(width), int(height), _text(title)):
        raise Error("cannot open a window of %dx%d" % (width, height))


def size():
    """The drawing area as (width, height)."""
    lib = _gfx()
    return ctypes.c_int.in_dll(lib, "screen_w").value, ctypes.c_int.in_dll(lib, "screen_h").value


def poll():
    """Handles the window's messages and refreshes the keys; True when the program should end
    (a quit message)."""
    return bool(_gfx().gfx_poll())


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


# --- keys ----------------------------------------------------------------------------------------

def _keys(name):
    return (ctypes.c_ubyte * _KEY_ARRAY_SIZE).in_dll(_gfx(), name)


def key_down(key):
    """Whether the key is down at the latest poll()."""
    return bool(_keys("keydown")[key] & 0x80)


def key_pressed(key):
    """Whether the key went down at the latest poll() (down now, up at the poll before)."""
    return bool(_keys("keydown")[key] & 0x80) and not _keys("keyprev")[key] & 0x80


def key_released(key):
    """Whether the key went up at the latest poll()."""
    return not _keys("keydown")[key] & 0x80 and bool(_keys("keyprev")[key] & 0x80)


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
        width, height = size if size is not None else globals()["size"]()
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
