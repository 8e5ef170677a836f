#!/usr/bin/env python3
"""Draws the demo game's pictures (all our own work, no outside art) and writes them as PNG
files into demo/pic/. Run from anywhere: python3 demo/tools/make_pictures.py

  title_bg.png   800 x 600  evening sky, sun and two rows of hills
  girl.png       220 x 420  a girl standing, drawn from simple shapes (stand picture)
  star.png        64 x  64  a five-pointed star with a soft glow (animated on the title)
"""
import math
import os

from png_writer import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "pic")


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def title_bg(x, y):
    top, horizon = (40, 52, 120), (250, 170, 120)
    sky = mix(top, horizon, min(1.0, y / 420.0))
    # the sun, low over the hills
    d = math.hypot(x - 560, y - 330)
    if d < 60:
        sky = mix(sky, (255, 236, 180), 1.0)
    elif d < 140:
        sky = mix(sky, (255, 220, 160), (140 - d) / 80.0 * 0.5)
    far = 400 + 30 * math.sin(x / 90.0) + 12 * math.sin(x / 23.0 + 1.0)
    near = 470 + 40 * math.sin(x / 150.0 + 2.0)
    if y > near:
        return (*mix((70, 110, 60), (30, 60, 35), min(1.0, (y - near) / 130.0)), 255)
    if y > far:
        return (*mix((110, 100, 140), (80, 80, 120), min(1.0, (y - far) / 70.0)), 255)
    return (*sky, 255)


def inside_girl(x, y):
    """Colour of the girl at a point, or None where she is not."""
    cx = 110
    # fringe over the forehead
    if math.hypot((x - cx) / 52.0, (y - 58) / 30.0) < 1.0 and y < 74:
        return (70, 40, 30)
    # face
    if math.hypot((x - cx) / 46.0, (y - 88) / 52.0) < 1.0:
        if math.hypot(x - (cx - 16), y - 92) < 5 or math.hypot(x - (cx + 16), y - 92) < 5:
            return (40, 30, 60)  # eyes
        if abs(x - cx) < 9 and 114 < y < 118:
            return (200, 90, 90)  # mouth
        return (250, 220, 200)
    # hair behind the head, showing around the face
    if math.hypot((x - cx) / 62.0, (y - 92) / 70.0) < 1.0 and y < 150:
        return (70, 40, 30)
    # neck
    if abs(x - cx) < 10 and 136 <= y < 152:
        return (240, 205, 185)
    # dress: a trapezoid widening to the hem
    if 150 <= y < 360:
        half = 34 + (y - 150) * 0.36
        if abs(x - cx) < half:
            return (60, 90, 170) if y < 190 else (80, 120, 200)
    # arms
    for side in (-1, 1):
        ax = cx + side * (40 + (y - 160) * 0.18)
        if 160 <= y < 300 and abs(x - ax) < 9:
            return (250, 220, 200)
    # legs and shoes
    for side in (-1, 1):
        if abs(x - (cx + side * 18)) < 8:
            if 360 <= y < 404:
                return (250, 220, 200)
            if 404 <= y < 418:
                return (120, 50, 40)
    return None


def girl(x, y):
    # 2 x 2 samples a pixel for soft edges
    hits, colour = 0, (0, 0, 0)
    acc = [0, 0, 0]
    for sy in (0.25, 0.75):
        for sx in (0.25, 0.75):
            c = inside_girl(x + sx, y + sy)
            if c:
                hits += 1
                for i in range(3):
                    acc[i] += c[i]
    if hits == 0:
        return (0, 0, 0, 0)
    colour = tuple(v // hits for v in acc)
    return (*colour, hits * 255 // 4)


def star(x, y):
    px, py = x + 0.5 - 32, y + 0.5 - 32
    r = math.hypot(px, py)
    a = math.atan2(py, px) + math.pi / 2
    # radius of the star's outline at this angle: between 12 and 28, five points
    k = (a / (2 * math.pi / 5)) % 1.0
    edge = 12 + 16 * abs(1 - 2 * k) ** 1.5
    if r < edge:
        return (255, 240, 150, 255)
    glow = max(0.0, 1.0 - (r - edge) / 6.0)
    return (255, 230, 120, int(200 * glow))


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png(os.path.join(OUT, "title_bg.png"), 800, 600, title_bg)
    write_png(os.path.join(OUT, "girl.png"), 220, 420, girl)
    write_png(os.path.join(OUT, "star.png"), 64, 64, star)


if __name__ == "__main__":
    main()
