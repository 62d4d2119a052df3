"""The Pillow plugin: opening, seeking, iterating and saving ".anim" files through Pillow."""

import numpy as np
from PIL import Image, ImageSequence

import vantorel
import vantorel.pillow
from conftest import moving_pictures


def test_open_seek_backward_and_forward_and_iterate(tmp_path):
    path = tmp_path / "in.anim"
    vantorel.write(path, moving_pictures(5))
    frames = vantorel.read(path)
    with Image.open(path) as im:
        assert (im.format, im.mode, im.size) == ("ANIM", "RGB", (48, 32))
        assert (im.n_frames, im.is_animated, im.info["duration"]) == (5, True, 40)
        assert np.array_equal(np.asarray(im), frames[0])
        im.seek(3)
        assert im.tell() == 3 and np.array_equal(np.asarray(im), frames[3])
        im.seek(1)
        assert np.array_equal(np.asarray(im), frames[1])
        im.seek(4)
        assert np.array_equal(np.asarray(im), frames[4])
        walked = [np.asarray(f.convert("RGB")) for f in ImageSequence.Iterator(im)]
    assert np.array_equal(np.stack(walked), frames)


def test_gif_made_by_pillow_saves_as_anim(tmp_path):
    pictures = [Image.fromarray(p).quantize() for p in moving_pictures(3)]
    pictures[0].save(tmp_path / "in.gif", save_all=True, append_images=pictures[1:])
    with Image.open(tmp_path / "in.gif") as gif:
        gif.save(tmp_path / "out.anim", save_all=True)
        expected = [np.asarray(f.convert("RGB")) for f in ImageSequence.Iterator(gif)]
    vantorel.write(tmp_path / "direct.anim", expected)
    assert (tmp_path / "out.anim").read_bytes() == (tmp_path / "direct.anim").read_bytes()
    assert vantorel.info(tmp_path / "out.anim")["frames"] == 3


def test_anim_saves_as_gif_and_single_image_as_one_frame(tmp_path):
    vantorel.write(tmp_path / "in.anim", moving_pictures(4))
    with Image.open(tmp_path / "in.anim") as im:
        im.save(tmp_path / "out.gif", save_all=True)
    with Image.open(tmp_path / "out.gif") as gif:
        assert gif.n_frames == 4 and gif.info["duration"] == 40
    Image.new("RGB", (20, 10), (255, 0, 0)).save(tmp_path / "one.anim")
    assert vantorel.info(tmp_path / "one.anim")["frames"] == 1
    assert (vantorel.read(tmp_path / "one.anim")[0] == (255, 0, 0)).all()
