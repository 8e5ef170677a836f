#!/usr/bin/env python3
"""Draws the pictures of the demo's dialogue scene and writes them into demo/pic/.
Run from anywhere: python3 demo/tools/make_dialogue_pictures.py

  msg_window.png  768 x 168  the message window: translucent navy with a light rounded edge
  log_bg.png      800 x 600  the backdrop of the backlog, settings, menu and gallery screens:
                             the stage darkened, a title bar
  name_box.png    200 x 36   the speaker's name plate above the message window: plum, light edge
  marker_click.png 20 x 20   the click-wait marker: an amber triangle pointing down, hollow
  marker_page.png  20 x 20   the page-wait marker: the same triangle filled
  choice_box.png  360 x 50   a choice's box: the name plate's plum and edge, drawn at its size
                             so the edge is as thick on every side
  button_bar.png  300 x 30   the backing of the buttons on the message frame: navy, light edge
  caption_bar.png 800 x 44   the band behind a caption: dark enough for white text on any
                             background, with the stage showing through
  movie_frame.png 344 x 264  the frame around the 320 x 240 movie: a light edge and a dark mat
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


def plate(w, h, r, edge, fill):
    """A rounded plate of w x h with an edge of two pixels all round."""
    def pixel(x, y):
        inside = rounded_distance(x, y, w, h, r)
        if inside < 0:
            return (0, 0, 0, 0)
        return edge if inside < 2.0 else fill
    return pixel


PLUM_EDGE, PLUM = (240, 220, 250, 240), (90, 40, 110, 235)
name_box = plate(200, 36, 10, PLUM_EDGE, PLUM)
choice_box = plate(360, 50, 12, PLUM_EDGE, PLUM)
button_bar = plate(300, 30, 8, (200, 215, 255, 220), (16, 24, 70, 210))
movie_frame = plate(344, 264, 6, (230, 220, 190, 255), (12, 12, 20, 255))


def caption_bar(x, y):
    return (0, 0, 0, 150)


MARKER = (255, 200, 64, 255)


def in_triangle(x, y):
    """The triangle with corners (2, 4), (17, 4) and (9.5, 16)."""
    if y < 4 or y > 16:
        return False
    half = 7.5 * (16 - y) / 12
    return abs(x - 9.5) <= half


def marker_page(x, y):
    return MARKER if in_triangle(x, y) else (0, 0, 0, 0)


def marker_click(x, y):
    if not in_triangle(x, y):
        return (0, 0, 0, 0)
    # hollow: only the outer two pixels of the triangle
    inner = all(in_triangle(x + dx, y + dy) for dx in (-2, 0, 2) for dy in (-2, 0, 2))
    return (0, 0, 0, 0) if inner else MARKER


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png(os.path.join(OUT, "msg_window.png"), 768, 168, msg_window)
    write_png(os.path.join(OUT, "log_bg.png"), 800, 600, log_bg)
    write_png(os.path.join(OUT, "name_box.png"), 200, 36, name_box)
    write_png(os.path.join(OUT, "marker_click.png"), 20, 20, marker_click)
    write_png(os.path.join(OUT, "marker_page.png"), 20, 20, marker_page)
    write_png(os.path.join(OUT, "choice_box.png"), 360, 50, choice_box)
    write_png(os.path.join(OUT, "button_bar.png"), 300, 30, button_bar)
    write_png(os.path.join(OUT, "caption_bar.png"), 800, 44, caption_bar)
    write_png(os.path.join(OUT, "movie_frame.png"), 344, 264, movie_frame)


if __name__ == "__main__":
    main()
