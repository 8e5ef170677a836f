#!/usr/bin/env python3
"""Draws the difference picture of the filter scene and writes it into demo/pic/.
Run from anywhere: python3 demo/tools/make_filter_pictures.py

  girl_wink.png   64 x 32  closed eyes and a blush over girl.png's face: a difference
                           picture whose PNG text names its base (Name girl.png, Left 78,
                           Top 78, Mode 5), so loading it composes the winking girl
"""
import math
import os

from png_writer import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "pic")
LEFT, TOP = 78, 78  # where the patch lies on girl.png (face centre 110, 88; eyes at y 92)


def wink(x, y):
    gx, gy = x + LEFT + 0.5, y + TOP + 0.5
    # the open eyes are covered with skin, then drawn again as closed arcs
    for ex in (94, 126):
        d = math.hypot(gx - ex, gy - 92)
        arc = abs(math.hypot(gx - ex, gy - 86) - 7.0)
        if gy > 89 and arc < 1.2 and abs(gx - ex) < 6:
            return (40, 30, 60, 255)
        if d < 6.5:
            return (250, 220, 200, 255)
    # a soft blush under each eye
    for bx in (90, 130):
        d = math.hypot((gx - bx) / 1.6, gy - 103)
        if d < 6:
            return (240, 120, 130, int(150 * (1 - d / 6)))
    return (0, 0, 0, 0)


def main():
    os.makedirs(OUT, exist_ok=True)
    texts = {"Name": "girl.png", "Left": LEFT, "Top": TOP, "Mode": 5}
    write_png(os.path.join(OUT, "girl_wink.png"), 64, 32, wink, texts)


if __name__ == "__main__":
    main()
