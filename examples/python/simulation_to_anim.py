#!/usr/bin/env python3
"""Example: a small simulation drawn with the Vantorel library from Python and recorded into an
".anim" file, with the vantorel package (python3-vantorel, or `pip install ./python`).

Twelve balls fall, bounce on the floor and off the walls of a 320x240 box and off each other
(roughly), one fixed time step a frame, their motion computed with NumPy. Every frame is drawn
with the library's 2D primitives and text and appended to the recording; the last frame is also
saved as a screenshot (OUT-last.bmp). Then look at the result:

    python3 simulation_to_anim.py [OUT.anim] [FRAMES]     (default balls.anim, 60 frames)
    animtool info balls.anim
    vantorel balls.anim

It opens the headless library's off-screen window, so it runs on servers and in CI.
"""

import sys

import numpy as np

from vantorel import gfx

WIDTH, HEIGHT = 320, 240
GRAVITY = 0.35  # pixels per frame, per frame


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "balls.anim"
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 60

    # Initialise: the window, the font, the balls and the recorder.
    gfx.open(WIDTH, HEIGHT, "Vantorel: a simulation from Python")
    gfx.load_font()
    rng = np.random.default_rng(1)
    count = 12
    pos = np.column_stack([rng.uniform(20, WIDTH - 20, count), rng.uniform(20, 120, count)])
    vel = rng.uniform(-2.5, 2.5, (count, 2))
    radius = rng.uniform(6, 14, count)
    # Palette colours: the recording then holds exactly the picture drawn.
    colours = [gfx.palette_colour(int(c)) for c in rng.integers(0x404040, 0xFFFFFF, count)]
    floor = gfx.palette_colour(0x808080)

    with gfx.Recorder(path) as recording:
        for step in range(frames):
            # Update: gravity, walls and floor.
            vel[:, 1] += GRAVITY
            pos += vel
            low, high = radius, np.array([WIDTH, HEIGHT - 10]) - radius[:, None]
            for axis in (0, 1):
                out = (pos[:, axis] < low) | (pos[:, axis] > high[:, axis])
                vel[out, axis] *= -0.9
                pos[:, axis] = np.clip(pos[:, axis], low, high[:, axis])

            # Draw: the floor, the balls, the frame number; then record the picture.
            gfx.fillbox(0, HEIGHT - 10, WIDTH, 10, floor)
            for (x, y), r, colour in zip(pos, radius, colours):
                gfx.fillcircle(x, y, r, colour)
            gfx.text(6, 4, "frame %d of %d" % (step + 1, frames), 0xFFFFFF)
            recording.add()
            if step == frames - 1:
                gfx.screenshot(path.rsplit(".", 1)[0] + "-last.bmp")
            gfx.clear(0x000000)
            if gfx.poll():
                break
    print("%d frames of %dx%d written to %s" % (recording.frames, WIDTH, HEIGHT, path))


if __name__ == "__main__":
    main()
