"""Read and write ".anim" animations as NumPy arrays, with Vantorel's own decoder and encoder.

    import vantorel
    for picture in vantorel.frames("in.anim"):    # (height, width, 3) uint8 arrays
        ...
    vantorel.write("out.anim", pictures)          # arrays or Pillow images

Frames are painted exactly as `animtool render` paints them, and written exactly as `animtool
encode` writes the same pictures. `vantorel.pillow` adds the format to Pillow; `vantorel.gfx`
draws and records with the library itself. Failures raise `vantorel.Error` (an OSError).
"""

import ctypes
import os
import tempfile

import numpy as np

from . import _library
from ._library import Error

__all__ = ["Error", "info", "frames", "read", "write", "Writer"]
__version__ = "1.0.0"

_COMPRESSIONS = {None: 0, "gzip": 1, "zstd": 2}
_CODE_NAMES = ("points", "kind4", "kind5", "kind6", "kind7", "kind8", "kind9", "kind10", "skipped")


def _check(ok):
    if not ok:
        raise Error(_library.message())
    return ok


class _Reader:
    """One file open for reading through the library (used by frames, read, info and the plugin)."""

    def __init__(self, path):
        self._lib = _library.load()
        self.path = os.fspath(path)
        handle = self._lib.anim_rgb_reader_open(os.fsencode(self.path))
        if not handle:
            raise Error(_library.message())
        self._handle = handle
        self.version = self._lib.anim_rgb_reader_version(handle)
        self.size = None

    def scan(self):
        """(width, height, frames, bytes) of the whole file; Error when it is no animation."""
        w, h, n, b = ctypes.c_int(), ctypes.c_int(), ctypes.c_long(), ctypes.c_longlong()
        _check(self._lib.anim_rgb_reader_scan(self._handle, w, h, n, b))
        return w.value, h.value, n.value, b.value

    def extent(self):
        """The file's extent as (width, height); Error when it draws nothing visible."""
        width, height, _, _ = self.scan()
        if width == 0:
            raise Error(self.path + ": draws no visible pixel; give a size")
        return width, height

    def set_size(self, size):
        width, height = (int(v) for v in size)
        _check(self._lib.anim_rgb_reader_set_size(self._handle, width, height))
        self.size = (width, height)

    def next_into(self, out):
        """Decodes the next frame into out (a C-contiguous uint8 array, or None); False at the end."""
        address = None if out is None else out.ctypes.data
        return bool(self._lib.anim_rgb_reader_next(self._handle, address))

    def frame_info(self):
        pixels, used, box = ctypes.c_long(), ctypes.c_long(), (ctypes.c_int * 4)()
        self._lib.anim_rgb_reader_frame_info(self._handle, pixels, used, box)
        return pixels.value, used.value, (list(box) if pixels.value else None)

    def codes(self):
        counts = (ctypes.c_long * 9)()
        self._lib.anim_rgb_reader_codes(self._handle, counts)
        return dict(zip(_CODE_NAMES, counts))

    def rewind(self):
        _check(self._lib.anim_rgb_reader_rewind(self._handle))

    def close(self):
        if getattr(self, "_handle", None):
            self._lib.anim_rgb_reader_close(self._handle)
            self._handle = None

    def __del__(self):
        self.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _open_sized(path, size):
    reader = _Reader(path)
    try:
        reader.set_size(size if size is not None else reader.extent())
    except BaseException:
        reader.close()
        raise
    return reader


def info(path):
    """A description of the file as `animtool info --json` gives it: a dict with "file",
    "version", "bytes", "frames", "extent" ({"width", "height"}), "codes" (version 2 only: how
    often each kind of code occurs) and "frame_list" (per frame "frame", "pixels", "bytes" and
    "box" [x0, y0, x1, y1] or None)."""
    with _Reader(path) as reader:
        width, height, count, size = reader.scan()
        frame_list = []
        while reader.next_into(None):
            pixels, used, box = reader.frame_info()
            frame_list.append({"frame": len(frame_list) + 1, "pixels": pixels, "bytes": used,
                               "box": box})
        result = {"file": os.fspath(path), "version": reader.version, "bytes": size,
                  "frames": count, "extent": {"width": width, "height": height}}
        if reader.version == 2:
            result["codes"] = reader.codes()
        result["frame_list"] = frame_list
        return result


def frames(path, size=None):
    """Iterates over the frames of an animation as (height, width, 3) uint8 RGB arrays, each the
    whole picture after that frame, painted over the frames before it on a black picture.
    size=(width, height) sets the picture (pixels outside it are dropped); by default it is the
    file's extent, found by reading the file once first. A file that cannot be read raises
    Error here, before the first frame."""
    return _pictures(_open_sized(path, size))


def _pictures(reader):
    width, height = reader.size
    with reader:
        while True:
            picture = np.empty((height, width, 3), np.uint8)
            if not reader.next_into(picture):
                return
            yield picture


def _available_memory():
    """Bytes of memory available to a new allocation, or None when unknown."""
    try:
        with open("/proc/meminfo") as meminfo:
            for line in meminfo:
                if line.startswith("MemAvailable:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return None


def _megabytes(n):
    return "%.1f MB" % (n / 1e6)


def read(path, size=None):
    """All frames of an animation as one (frames, height, width, 3) uint8 array (see frames()).
    Raises Error, naming the sizes, when that array would not fit in the memory available."""
    with _Reader(path) as reader:
        width, height = size if size is not None else reader.extent()
        _, _, count, _ = reader.scan()
        need = count * width * height * 3
        available = _available_memory()
        what = "%s: %d frames of %dx%d take %s as one array" % (reader.path, count, width, height,
                                                               _megabytes(need))
        if available is not None and need > available:
            raise Error(what + ", more than the %s of memory available; take them one at a time "
                        "with vantorel.frames()" % _megabytes(available))
        try:
            out = np.empty((count, height, width, 3), np.uint8)
        except MemoryError:
            raise Error(what + ", more than can be allocated; take them one at a time with "
                        "vantorel.frames()") from None
        reader.set_size((width, height))
        for k in range(count):
            reader.next_into(out[k])
        return out


def _as_rgb(frame):
    """A C-contiguous (height, width, 3) uint8 array of a picture: an array of that shape (or
    with a fourth channel, which is ignored) or a Pillow image of any mode."""
    if hasattr(frame, "convert") and hasattr(frame, "mode") and hasattr(frame, "size"):
        frame = frame.convert("RGB")
    array = np.asarray(frame)
    if array.dtype != np.uint8:
        raise ValueError("a frame must be uint8, not %s" % array.dtype)
    if array.ndim != 3 or array.shape[2] not in (3, 4):
        raise ValueError("a frame must have the shape (height, width, 3), not %s" %
                         (array.shape,))
    return np.ascontiguousarray(array[:, :, :3])


class Writer:
    """Writes an animation one frame at a time, in constant memory:

        with vantorel.Writer("out.anim") as out:
            for step in range(1000):
                out.add(picture)

    Each frame is a (height, width, 3) uint8 array or a Pillow image, quantised to the palette;
    every frame has the size of the first (or of size=(width, height)), at most 2048x2048.
    compress="zstd" or "gzip" stores the file compressed (at level, 0 for the default) where the
    library was built with it; every reader opens such files as they are.
    The frames go to a temporary file beside path that replaces it when the writer closes without
    an error, so a failed run leaves the old file as it was."""

    def __init__(self, path, version=2, size=None, compress=None, level=0):
        self._lib = _library.load()
        self.path = os.fspath(path)
        if version not in (1, 2):
            raise ValueError("version must be 1 or 2, not %r" % (version,))
        if compress not in _COMPRESSIONS:
            raise ValueError("compress must be None, 'gzip' or 'zstd', not %r" % (compress,))
        self.version = version
        self._compression, self._level = _COMPRESSIONS[compress], int(level)
        self.size = None
        self._handle = None
        self._temp = None
        if size is not None:
            self._open(*(int(v) for v in size))

    def _open(self, width, height):
        folder = os.path.dirname(os.path.abspath(self.path))
        fd, temp = tempfile.mkstemp(prefix=".%s." % os.path.basename(self.path), suffix=".part",
                                    dir=folder)
        os.close(fd)
        handle = self._lib.anim_rgb_writer_open_compressed(
            os.fsencode(temp), self.version, width, height, self._compression, self._level)
        if not handle:
            message = _library.message().replace(temp, self.path)
            os.unlink(temp)
            raise Error(message)
        self._handle, self._temp, self.size = handle, temp, (width, height)

    @property
    def frames(self):
        """Frames written so far."""
        return self._lib.anim_rgb_writer_frames(self._handle) if self._handle else 0

    def add(self, frame):
        """Appends one frame."""
        if self._temp is False:
            raise ValueError("the writer of %s is closed" % self.path)
        rgb = _as_rgb(frame)
        height, width = rgb.shape[:2]
        if self._handle is None:
            self._open(width, height)
        elif (width, height) != self.size:
            raise ValueError("frame %d is %dx%d, but the animation is %dx%d" %
                             (self.frames + 1, width, height, *self.size))
        if not self._lib.anim_rgb_writer_add(self._handle, rgb.ctypes.data, width * 3):
            raise Error(_library.message().replace(self._temp, self.path))

    def close(self):
        """Finishes the file and puts it in place. A writer given no frame writes an animation
        of no frames."""
        if self._temp is False:
            return
        if self._handle is None:
            self._open(1, 1)
        handle, temp = self._handle, self._temp
        self._handle, self._temp = None, False
        if not self._lib.anim_rgb_writer_close(handle):
            os.unlink(temp)
            raise Error(_library.message().replace(temp, self.path))
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temp, 0o666 & ~mask)
        os.replace(temp, self.path)

    def discard(self):
        """Closes without touching path: the frames written are dropped."""
        if self._temp is False:
            return
        handle, temp = self._handle, self._temp
        self._handle, self._temp = None, False
        if handle:
            self._lib.anim_rgb_writer_close(handle)
        if temp:
            os.unlink(temp)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, traceback):
        if kind is None:
            self.close()
        else:
            self.discard()

    def __del__(self):
        self.discard()


def write(path, frames, version=2, compress=None, level=0):
    """Writes an animation from an iterable of frames ((height, width, 3) uint8 arrays or Pillow
    images), version 1 or 2; returns the number of frames written. See Writer."""
    with Writer(path, version, compress=compress, level=level) as out:
        for frame in frames:
            out.add(frame)
        return out.frames
