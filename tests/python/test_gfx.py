"""vantorel.gfx through the self-contained library: the Python example draws, records and takes a
screenshot off-screen."""

import os
import re
import subprocess
import sys

import numpy as np
import pytest
from PIL import Image

import vantorel
from vantorel import _library
from conftest import SOURCE_DIR

needs_backend = pytest.mark.skipif(not _library.has_backend(),
                                   reason="the library found has no window backend")


@needs_backend
def test_example_records_what_it_draws(animtool, tmp_path):
    example = os.path.join(SOURCE_DIR, "examples", "python", "simulation_to_anim.py")
    done = subprocess.run([sys.executable, example, str(tmp_path / "balls.anim"), "12"],
                          capture_output=True, text=True, cwd=tmp_path, timeout=240)
    assert done.returncode == 0, done.stderr
    assert done.stdout == "12 frames of 320x240 written to %s\n" % (tmp_path / "balls.anim")
    described = animtool("info", str(tmp_path / "balls.anim")).decode()
    assert "frames: 12\n" in described and "extent: 320x240\n" in described
    # The example draws in palette colours, so the last frame is exactly its screenshot.
    last = vantorel.read(tmp_path / "balls.anim")[-1]
    shot = np.asarray(Image.open(tmp_path / "balls-last.bmp").convert("RGB"))
    assert np.array_equal(last, shot)
    assert len(np.unique(last.reshape(-1, 3), axis=0)) > 5


def test_key_names_are_the_library_headers():
    header = os.path.join(SOURCE_DIR, "gfx", "keys.h")
    if not os.path.exists(header):
        pytest.skip("no gfx/keys.h in this checkout")
    from vantorel import gfx
    names = re.findall(r"\bGFX_(KEY_\w+)\s*=\s*(0x[0-9A-Fa-f]+|\d+|'.')", open(header).read())
    assert names
    for name, value in names:
        number = ord(value[1]) if value.startswith("'") else int(value, 0)
        assert getattr(gfx, name, None) == number, name


@needs_backend
def test_keys_and_a_close_that_returns_from_the_headless_script(tmp_path):
    (tmp_path / "script").write_text("2 down 0x25\n3 up 0x25\n5 close\n")
    program = ("from vantorel import gfx\n"
               "gfx.open(32, 24)\n"
               "for poll in range(1, 9):\n"
               "    quit = gfx.poll()\n"
               "    print(poll, int(gfx.key_down(gfx.KEY_LEFT)), int(gfx.key_pressed(gfx.KEY_LEFT)),\n"
               "          int(gfx.key_released(gfx.KEY_LEFT)), int(quit))\n"
               "    if quit: break\n"
               "print('closed', int(gfx.close_requested()))\n")
    done = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True,
                          cwd=tmp_path, timeout=240,
                          env=dict(os.environ, VANTOREL_SCRIPT=str(tmp_path / "script")))
    assert done.returncode == 0, done.stderr
    assert done.stdout == ("1 0 0 0 0\n2 1 1 0 0\n3 0 0 1 0\n4 0 0 0 0\n5 0 0 0 1\n"
                           "closed 1\n")
