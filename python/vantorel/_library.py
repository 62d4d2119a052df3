"""Finds and loads Vantorel's shared library for ctypes, and declares the calls the package uses.

The self-contained library of the headless backend (libvantorel-headless.so.1) serves everything:
files, drawing and recording. Where only the portable library (libvantorel.so.1) is installed, its
file calls still work when it is loaded lazily (its window calls would need a backend), so reading
and writing frames never depend on a backend being present.
"""

import ctypes
import os
import sysconfig

_HEADLESS = "libvantorel-headless.so.1"
_PORTABLE = "libvantorel.so.1"
# Where `make install` puts libraries by default (the multiarch folder under /usr/local), which
# the dynamic loader finds only once ldconfig has run.
_MULTIARCH = sysconfig.get_config_var("MULTIARCH") or ""
_EXTRA_DIRS = tuple(d for d in ("/usr/local/lib/" + _MULTIARCH, "/usr/local/lib", "/usr/local/lib64")
                    if not d.endswith("/"))

_lib = None
_complete = False  # True when the loaded library holds a backend (drawing works)


class Error(OSError):
    """A failure reported by Vantorel: a file that cannot be read or written, or is no animation."""


def _candidates():
    explicit = os.environ.get("VANTOREL_LIBRARY")
    if explicit:
        yield explicit, not os.path.basename(explicit).startswith(_PORTABLE.split(".")[0] + ".")
        return
    for name in (_HEADLESS, _PORTABLE):
        yield name, name == _HEADLESS
        for folder in _EXTRA_DIRS:
            path = os.path.join(folder, name)
            if os.path.exists(path):
                yield path, name == _HEADLESS


def load():
    """The loaded library (loading it on first use); raises Error when none can be found."""
    global _lib, _complete
    if _lib is not None:
        return _lib
    tried = []
    for name, complete in _candidates():
        # Lazily: a portable library alone leaves its backend's calls unresolved until called.
        try:
            lib = ctypes.CDLL(name, mode=os.RTLD_LAZY)
        except OSError as exc:
            tried.append(str(exc))
            continue
        if not hasattr(lib, "anim_rgb_reader_open"):
            tried.append(name + ": too old (no anim_rgb_reader_open)")
            continue
        _declare(lib)
        _lib = lib
        _complete = complete
        return lib
    raise Error("cannot load the Vantorel library (install the libvantorel1 package, run "
                "`make install`, or set VANTOREL_LIBRARY to the library's path): " +
                "; ".join(tried))


def has_backend():
    """Whether the loaded library can open windows (a self-contained backend library)."""
    load()
    return _complete


def message():
    """The library's message of its last failure."""
    return load().anim_rgb_error().decode("utf-8", "replace")


def _declare(lib):
    c = ctypes
    p, i, l, ll = c.c_void_p, c.c_int, c.c_long, c.c_longlong
    ub = c.POINTER(c.c_ubyte)
    table = {
        "anim_rgb_error": (c.c_char_p, []),
        "anim_rgb_reader_open": (p, [c.c_char_p]),
        "anim_rgb_reader_version": (i, [p]),
        "anim_rgb_reader_scan": (i, [p, c.POINTER(i), c.POINTER(i), c.POINTER(l), c.POINTER(ll)]),
        "anim_rgb_reader_set_size": (i, [p, i, i]),
        "anim_rgb_reader_next": (i, [p, p]),
        "anim_rgb_reader_indices": (ub, [p]),
        "anim_rgb_reader_frame_info": (None, [p, c.POINTER(l), c.POINTER(l), c.POINTER(i)]),
        "anim_rgb_reader_codes": (None, [p, c.POINTER(l)]),
        "anim_rgb_reader_rewind": (i, [p]),
        "anim_rgb_reader_close": (None, [p]),
        "anim_rgb_writer_open": (p, [c.c_char_p, i, i, i]),
        "anim_rgb_writer_open_compressed": (p, [c.c_char_p, i, i, i, i, i]),
        "anim_rgb_writer_add": (i, [p, p, l]),
        "anim_rgb_writer_add_indices": (i, [p, p, l]),
        "anim_rgb_writer_add_screen": (i, [p]),
        "anim_rgb_writer_frames": (i, [p]),
        "anim_rgb_writer_close": (i, [p]),
    }
    for name, (restype, argtypes) in table.items():
        fn = getattr(lib, name)
        fn.restype = restype
        fn.argtypes = argtypes
