"""vantorel's reading and writing against animtool: the same pictures, the same bytes."""

import json
import os

import numpy as np
import pytest
from PIL import Image

import vantorel
from conftest import moving_pictures


def test_info_is_animtool_info_json(animtool, demo_anim):
    assert vantorel.info(demo_anim) == json.loads(animtool("info", "--json", demo_anim))


@pytest.mark.parametrize("version", [1, 2])
def test_frames_are_animtool_render(animtool, tmp_path, version):
    raw = np.stack(moving_pictures(4)).tobytes()
    path = str(tmp_path / "in.anim")
    animtool("encode", "--version", str(version), "--raw", "48x32", "-o", path, "-", stdin=raw)
    rendered = animtool("render", path, "--raw", "-o", "-")
    frames = list(vantorel.frames(path))
    assert len(frames) == 4 and frames[0].shape == (32, 48, 3) and frames[0].dtype == np.uint8
    assert b"".join(f.tobytes() for f in frames) == rendered
    assert vantorel.read(path).tobytes() == rendered


def test_write_then_read_is_exact_for_palette_colours(tmp_path):
    table = np.array([[c >> 16, (c >> 8) & 255, c & 255] for c in palette()], np.uint8)
    rng = np.random.default_rng(3)
    pictures = [table[rng.integers(0, 256, (24, 40))] for _ in range(3)]
    assert vantorel.write(tmp_path / "v2.anim", pictures) == 3
    assert np.array_equal(vantorel.read(tmp_path / "v2.anim"), np.stack(pictures))
    # Compressed files go through the same calls and read back the same.
    for compress in ("gzip", "zstd"):
        vantorel.write(tmp_path / ("v2.anim." + compress), pictures, compress=compress)
        assert np.array_equal(vantorel.read(tmp_path / ("v2.anim." + compress)), np.stack(pictures))
    # Version 1 has no frame marker, so frames may merge; the last picture is exact all the same.
    vantorel.write(tmp_path / "v1.anim", pictures, version=1)
    assert np.array_equal(vantorel.read(tmp_path / "v1.anim")[-1], pictures[-1])


def palette():
    """The palette's 0xRRGGBB entries, from a file of one frame per entry drawn as a block."""
    # Index i as one pixel of a 16x16 picture: decode it through the library.
    from vantorel import _library
    lib = _library.load()
    import ctypes
    path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "vantorel-palette-%d.anim" % os.getpid())
    writer = lib.anim_rgb_writer_open(path.encode(), 2, 16, 16)
    indices = np.arange(256, dtype=np.uint8).reshape(16, 16)
    lib.anim_rgb_writer_add_indices(writer, indices.ctypes.data, 16)
    lib.anim_rgb_writer_close(writer)
    picture = vantorel.read(path, size=(16, 16))[0].reshape(256, 3).astype(int)
    os.unlink(path)
    return [r << 16 | g << 8 | b for r, g, b in picture]


@pytest.mark.parametrize("version", [1, 2])
def test_write_gives_the_bytes_of_animtool_encode(animtool, tmp_path, version):
    names = []
    for k, picture in enumerate(moving_pictures(3)):
        names.append(str(tmp_path / ("f%d.png" % k)))
        Image.fromarray(picture).save(names[-1])
    animtool("encode", "--version", str(version), "-o", str(tmp_path / "tool.anim"), *names)
    vantorel.write(tmp_path / "ours.anim", [Image.open(n) for n in names], version=version)
    assert (tmp_path / "ours.anim").read_bytes() == (tmp_path / "tool.anim").read_bytes()


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_writer_memory_stays_flat_over_1000_frames(tmp_path):
    rng = np.random.default_rng(7)
    with vantorel.Writer(tmp_path / "long.anim") as out:
        for k in range(1000):
            out.add(rng.integers(0, 256, (96, 128, 3), dtype=np.uint8))
            if k == 99:
                after_100 = resident_bytes()
        grown = resident_bytes() - after_100
    # Keeping the 900 frames after the 100th would take 33 MB.
    assert grown < 4_000_000, grown
    assert vantorel.info(tmp_path / "long.anim")["frames"] == 1000


def test_writer_failing_midway_leaves_the_old_file(tmp_path):
    path = tmp_path / "keep.anim"
    path.write_bytes(b"old")
    with pytest.raises(ValueError, match="frame 2 is 8x8, but the animation is 16x8"):
        with vantorel.Writer(path) as out:
            out.add(np.zeros((8, 16, 3), np.uint8))
            out.add(np.zeros((8, 8, 3), np.uint8))
    assert path.read_bytes() == b"old"
    assert os.listdir(tmp_path) == ["keep.anim"]


def test_a_file_that_is_no_animation_raises_error(tmp_path):
    png = tmp_path / "picture.png"
    Image.new("RGB", (4, 4), "red").save(png)
    with pytest.raises(vantorel.Error, match="picture.png: it is a PNG image, not an .anim"):
        vantorel.read(png)
    noise = tmp_path / "noise.anim"
    noise.write_bytes(bytes(range(256)) * 20)
    with pytest.raises(vantorel.Error, match="noise.anim: not an animation: it draws pixels as "
                                             "far as .*, past the 2048x2048"):
        vantorel.read(noise)
    with pytest.raises(vantorel.Error, match="missing.anim: No such file or directory"):
        vantorel.frames(tmp_path / "missing.anim")


def test_read_too_large_for_memory_names_the_size(demo_anim, monkeypatch):
    monkeypatch.setattr(vantorel, "_available_memory", lambda: 100_000_000)
    with pytest.raises(vantorel.Error, match=r"300 frames of 640x480 take 276\.5 MB as one array, "
                                             r"more than the 100\.0 MB"):
        vantorel.read(demo_anim)
