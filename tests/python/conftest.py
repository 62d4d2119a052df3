"""Shared fixtures of the Python package's tests: where animtool and the sample files are.

The tests run against whatever `import vantorel` finds: the source tree's package with the build
tree's library (VANTOREL_LIBRARY), or an installed package. VANTOREL_ANIMTOOL names the animtool
to compare with; VANTOREL_SOURCE_DIR the checkout holding assets/ and examples/.
"""

import os
import subprocess

import numpy as np
import pytest

SOURCE_DIR = os.environ.get("VANTOREL_SOURCE_DIR",
                            os.path.dirname(os.path.dirname(os.path.dirname(__file__))))


@pytest.fixture(scope="session")
def animtool():
    tool = os.environ.get("VANTOREL_ANIMTOOL", "animtool")

    def run(*args, stdin=None):
        done = subprocess.run([tool, *args], input=stdin, capture_output=True, check=False)
        assert done.returncode == 0, done.stderr.decode()
        return done.stdout
    return run


@pytest.fixture(scope="session")
def demo_anim():
    return os.path.join(SOURCE_DIR, "assets", "demo.anim")


def moving_pictures(count, width=48, height=32, seed=1):
    """Pictures of arbitrary colours (not palette ones) with a square that moves: quantising
    and every block kind get exercised."""
    rng = np.random.default_rng(seed)
    base = rng.integers(0, 256, (height, width, 3), dtype=np.uint8)
    pictures = []
    for k in range(count):
        picture = base.copy()
        picture[4 + k:14 + k, 3 * k:3 * k + 12] = (250 - 30 * k) % 256, 90, 20 * k % 256
        pictures.append(picture)
    return pictures
