"""".anim" animations in Pillow: importing this module registers the format, so that every program
using Pillow opens, iterates and saves them:

    import vantorel.pillow
    from PIL import Image, ImageSequence
    with Image.open("in.anim") as im:           # RGB, the first frame; im.n_frames, im.seek(n)
        im.save("out.gif", save_all=True)       # every frame, 40 ms each
    Image.open("in.gif").save("out.anim", save_all=True)

Frames are whole pictures (each painted over the ones before), at the file's extent. Seeking
forward decodes the frames between; seeking backward starts again from the first. Saving quantises
to the palette exactly as `animtool encode` does; a single image saves as a one-frame file,
save_all=True with append_images=[...] as an animation (options version=1 or 2, default 2, and
compress="zstd" or "gzip" with level=N where the library was built with them).
"""

import os
import shutil
import tempfile

import numpy as np
from PIL import Image, ImageFile, ImageSequence

from . import Error, Writer, _Reader

FORMAT = "ANIM"
DESCRIPTION = "Vantorel frame-delta animation"
MIME = "video/x-vantorel-anim"
DURATION_MS = 40  # the player's default rate: 25 frames a second
_HEADER = b"ANIM2\0"
_MAX_SIZE = 2048


def _accept(prefix):
    """Version 2 files by their header. Version 1 files have none: their first point records
    must lie inside the largest picture; the file is checked whole when opened, and this format
    is asked after all of Pillow's own."""
    if prefix[:6] == _HEADER:
        return True
    if len(prefix) < 4:
        return False
    for at in range(0, len(prefix) - 3, 4):
        word = int.from_bytes(prefix[at:at + 4], "little")
        x, y = word >> 20, (word >> 8) & 0xFFF
        if x >= _MAX_SIZE or y >= _MAX_SIZE:
            return False
    return True


class AnimImageFile(ImageFile.ImageFile):
    """An ".anim" file opened by Pillow: RGB frames at the file's extent."""

    format = FORMAT
    format_description = DESCRIPTION
    _close_exclusive_fp_after_loading = False

    def _open(self):
        self._spool = None
        path = self.filename if isinstance(self.filename, (str, bytes, os.PathLike)) else None
        if not path or not os.path.isfile(path):
            # A stream (BytesIO, a socket's file...): the library reads files, so spool it.
            self.fp.seek(0)
            spool = tempfile.NamedTemporaryFile(suffix=".anim")
            shutil.copyfileobj(self.fp, spool)
            spool.flush()
            self._spool, path = spool, spool.name
        try:
            self._reader = _Reader(path)
            width, height = self._reader.extent()
            _, _, self._n_frames, _ = self._reader.scan()
            self._reader.set_size((width, height))
        except Error as exc:
            raise SyntaxError(str(exc)) from None
        if self._n_frames == 0:
            raise SyntaxError("the animation has no frames")
        self._size = (width, height)
        try:
            self._mode = "RGB"
        except AttributeError:
            pass
        if getattr(self, "mode", None) != "RGB":
            self.mode = "RGB"
        self.info["duration"] = DURATION_MS
        self.info["version"] = self._reader.version
        self._frame = 0       # the frame shown (0 = the first)
        self._decoded = -1    # the last frame painted into the reader's picture
        self._picture = np.empty((height, width, 3), np.uint8)
        self.tile = []

    @property
    def n_frames(self):
        return self._n_frames

    @property
    def is_animated(self):
        return self._n_frames > 1

    def seek(self, frame):
        if not self._seek_check(frame):
            return
        self._frame = frame
        self.im = None

    def tell(self):
        return self._frame

    def load(self):
        if self.im is None or self._decoded != self._frame:
            if self._frame < self._decoded or self._decoded < 0:
                self._reader.rewind()
                self._decoded = -1
            while self._decoded < self._frame:
                if not self._reader.next_into(self._picture):
                    raise EOFError("frame %d is missing" % (self._frame + 1))
                self._decoded += 1
            self.im = Image.fromarray(self._picture, "RGB").im
        return Image.Image.load(self)

    def close(self):
        reader = getattr(self, "_reader", None)
        if reader is not None:
            reader.close()
        if getattr(self, "_spool", None) is not None:
            self._spool.close()
            self._spool = None
        super().close()


def _frames_of(images):
    for image in images:
        for frame in ImageSequence.Iterator(image):
            yield frame


def _write(images, im, fp, filename):
    version = im.encoderinfo.get("version", 2)
    compress, level = im.encoderinfo.get("compress"), im.encoderinfo.get("level", 0)
    # The library writes files; a path goes straight there, a stream gets the bytes after.
    to_path = isinstance(filename, (str, bytes, os.PathLike)) and filename and hasattr(fp, "name") \
        and os.fspath(fp.name) == os.fspath(filename)
    folder = os.path.dirname(os.path.abspath(filename)) if to_path else None
    fd, temp = tempfile.mkstemp(suffix=".anim", dir=folder)
    os.close(fd)
    try:
        try:
            with Writer(temp, version, compress=compress, level=level) as out:
                for frame in images:
                    out.add(frame)
        except Error as exc:
            raise OSError(str(exc).replace(temp, os.fspath(filename or "the stream"))) from None
        with open(temp, "rb") as data:
            shutil.copyfileobj(data, fp)
    finally:
        if os.path.exists(temp):
            os.unlink(temp)


def _save(im, fp, filename):
    _write([im], im, fp, filename)


def _save_all(im, fp, filename):
    _write(_frames_of([im] + list(im.encoderinfo.get("append_images", []))), im, fp, filename)


def register():
    """Registers the format with Pillow (importing this module does it once)."""
    Image.init()  # Pillow's own formats are asked first: version 1 files have no header
    Image.register_open(FORMAT, AnimImageFile, _accept)
    Image.register_save(FORMAT, _save)
    Image.register_save_all(FORMAT, _save_all)
    Image.register_extension(FORMAT, ".anim")
    Image.register_mime(FORMAT, MIME)


register()
