#!/usr/bin/env python3
"""Vantorel from Python with nothing but the standard library (ctypes).

Opens an off-screen window, draws 2D shapes and text, records 30 frames into an ".anim" file
and saves a screenshot of the last frame:

    python3 record_shapes.py [FOLDER]      writes FOLDER/shapes.anim and FOLDER/shapes.bmp

Then `vantorel shapes.anim` plays the recording and `animtool info shapes.anim` describes it.
The library is libvantorel-headless.so.1 (package libvantorel1), complete on its own; set
VANTOREL_LIBRARY to load another file, such as a build tree's.
"""
import ctypes
import os
import sys

lib = ctypes.CDLL(os.environ.get("VANTOREL_LIBRARY", "libvantorel-headless.so.1"))


class AnimFile(ctypes.Structure):
    """The recorder, as anim/anim_file.h lays it out (returned and passed by value)."""
    _fields_ = [("file", ctypes.c_void_p), ("frame", ctypes.c_int), ("version", ctypes.c_int),
                ("width", ctypes.c_int), ("height", ctypes.c_int), ("columns", ctypes.c_void_p),
                ("open_errno", ctypes.c_int), ("peeked", ctypes.c_ubyte * 6),
                ("peeked_len", ctypes.c_int), ("peeked_used", ctypes.c_int),
                ("offset", ctypes.c_longlong)]


D = ctypes.c_double
U = ctypes.c_uint32
lib.gfx_open.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_char_p]
lib.fillbox.argtypes = [D, D, D, D, U]
lib.fillcircle.argtypes = [D, D, D, U]
lib.font_load_builtin.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_uint8]
lib.font_print.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_char_p, U]
lib.gfx_present.argtypes = [U]
lib.anim_writer_open_size.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_int]
lib.anim_writer_open_size.restype = AnimFile
lib.anim_encode_frame.argtypes = [ctypes.POINTER(AnimFile)]
lib.anim_close.argtypes = [AnimFile]
lib.screenshot_window.argtypes = [ctypes.c_char_p, ctypes.c_int]

# A failure of the library reaches Python as a call of this function (instead of a message box).
FATAL_HANDLER = ctypes.CFUNCTYPE(None, ctypes.c_char_p)


@FATAL_HANDLER
def on_fatal(message):
    print("vantorel failed:", message.decode(errors="replace"), file=sys.stderr, flush=True)
    os._exit(1)


lib.gfx_set_fatal_handler(on_fatal)

WIDTH, HEIGHT, FRAMES = 320, 240, 30
folder = sys.argv[1] if len(sys.argv) > 1 else "."
anim_path = os.path.join(folder, "shapes.anim").encode()
shot_path = os.path.join(folder, "shapes.bmp").encode()

ctypes.c_ubyte.in_dll(lib, "windowed").value = 1  # a framed window, not the whole screen
if not lib.gfx_open(WIDTH, HEIGHT, b"Vantorel from Python"):
    sys.exit("cannot open the window")
lib.font_load_builtin(0, b"caption", 0)  # 0: FONT_BUILTIN_CAPTION
recorder = lib.anim_writer_open_size(anim_path, 2, WIDTH, HEIGHT)
if not recorder.file:
    sys.exit("cannot write %s: %s" % (anim_path.decode(), os.strerror(recorder.open_errno)))

for frame in range(FRAMES):
    lib.fillbox(0, 0, WIDTH, HEIGHT, 0x102060)                  # background
    lib.fillbox(20, 20, 80, 60, 0xFF8000)                       # an orange box
    lib.fillcircle(60 + frame * 7, 160, 30, 0xFFFF00)           # a yellow disc moving right
    lib.font_print(130, 30, 0, b"Frame %d" % (frame + 1), 0xFFFFFF)
    lib.anim_encode_frame(ctypes.byref(recorder))               # before showing it
    if frame == FRAMES - 1:
        lib.screenshot_window(shot_path, 0)                     # 1 would convert it to PNG
    if lib.gfx_poll():
        break
    lib.gfx_present(0x000000)

frames = recorder.frame
lib.anim_close(recorder)
print("recorded %d frames into %s" % (frames, anim_path.decode()), flush=True)
