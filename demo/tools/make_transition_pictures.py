#!/usr/bin/env python3
"""Draws the pictures of the demo's transitions scene (all our own work) and writes them
as PNG files into demo/pic/. Run from anywhere: python3 demo/tools/make_transition_pictures.py

  night_bg.png     800 x 600  a night sky with a moon, stars and a dark hill
  sea_bg.png       800 x 600  a sea at noon under a pale sky, with a glitter path
  rule_petals.png  800 x 600  rule picture: grey rising from the centre in six petals
  rule_diagonal.png 800 x 600 rule picture: a diagonal sweep broken into slanted bands

A rule picture is read through its blue channel: dark parts change first.
"""
import math
import os
import random

from png_writer import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "pic")


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


random.seed(7)
STARS = [(random.randrange(800), random.randrange(420), random.random()) for _ in range(260)]
STAR_AT = {}
for sx, sy, bright in STARS:
    STAR_AT[(sx, sy)] = bright


def night_bg(x, y):
    sky = mix((8, 12, 40), (40, 50, 100), y / 520.0)
    bright = STAR_AT.get((x, y))
    if bright is not None:
        sky = mix(sky, (255, 250, 220), 0.4 + 0.6 * bright)
    d = math.hypot(x - 610, y - 130)
    if d < 46:
        # the moon, with a darker sea on its face
        sky = (240, 236, 210) if math.hypot(x - 596, y - 118) > 14 else (214, 210, 190)
    elif d < 110:
        sky = mix(sky, (120, 130, 170), (110 - d) / 64.0 * 0.35)
    hill = 470 + 50 * math.sin(x / 170.0 + 0.6) + 14 * math.sin(x / 41.0)
    if y > hill:
        return (*mix((18, 24, 30), (6, 8, 12), (y - hill) / 120.0), 255)
    return (*sky, 255)


def sea_bg(x, y):
    horizon = 290
    if y < horizon:
        sky = mix((120, 170, 230), (220, 235, 245), y / float(horizon))
        d = math.hypot(x - 250, y - 90)
        if d < 40:
            sky = (255, 252, 235)
        elif d < 120:
            sky = mix(sky, (255, 250, 230), (120 - d) / 80.0 * 0.6)
        return (*sky, 255)
    depth = (y - horizon) / float(600 - horizon)
    sea = mix((70, 140, 190), (20, 70, 120), depth)
    wave = math.sin(x / (9.0 + 30 * depth) + y * 0.9) * math.sin(y / 3.0)
    if abs(x - 250) < 20 + 160 * depth and wave > 0.55:
        sea = mix(sea, (255, 250, 230), 0.8)  # the sun's glitter path
    elif wave > 0.8:
        sea = mix(sea, (180, 215, 235), 0.5)
    return (*sea, 255)


def rule_petals(x, y):
    dx, dy = x - 400, y - 300
    r = math.hypot(dx, dy) / 500.0
    theta = math.atan2(dy, dx)
    v = int(max(0, min(255, r * 215 + 40 * (0.5 + 0.5 * math.cos(6 * theta)))))
    return (v, v, v, 255)


def rule_diagonal(x, y):
    sweep = (x + y) / 1400.0 * 190
    band = ((x - y // 2) // 48) % 4 * 21
    v = int(max(0, min(255, sweep + band)))
    return (v, v, v, 255)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, w, h, fn in (
        ("night_bg.png", 800, 600, night_bg),
        ("sea_bg.png", 800, 600, sea_bg),
        ("rule_petals.png", 800, 600, rule_petals),
        ("rule_diagonal.png", 800, 600, rule_diagonal),
    ):
        write_png(os.path.join(OUT, name), w, h, fn)
        print("wrote", name)


if __name__ == "__main__":
    main()
