#!/usr/bin/env python3
"""Draws the pictures of the demo's dialogue scene and writes them into demo/pic/.
Run from anywhere: python3 demo/tools/make_dialogue_pictures.py

  msg_window.png  768 x 168  the message window: translucent navy with a light rounded edge
  log_bg.png      800 x 600  the backlog screen's backdrop: the stage darkened, a title bar
"""
import os

from png_writer import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "pic")


def rounded_distance(x, y, w, h, r):
    """How far (x, y) lies inside a rounded rectangle; negative outside."""
    cx = min(max(x, r), w - 1 - r)
    cy = min(max(y, r), h - 1 - r)
    d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
    return r - d


def msg_window(x, y):
    inside = rounded_distance(x, y, 768, 168, 14)
    if inside < 0:
        return (0, 0, 0, 0)
    if inside < 2.5:
        return (220, 230, 255, 230)  # the edge
    shade = int(40 + 30 * y / 168)
    return (16, 24, shade + 40, 180)


def log_bg(x, y):
    if 20 <= y < 52 and 20 <= x < 780:
        return (60, 80, 140, 230)  # title bar
    return (8, 10, 24, 215)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png(os.path.join(OUT, "msg_window.png"), 768, 168, msg_window)
    write_png(os.path.join(OUT, "log_bg.png"), 800, 600, log_bg)


if __name__ == "__main__":
    main()
