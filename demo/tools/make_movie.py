#!/usr/bin/env python3
"""Draws the demo's short movie and builds it with the packer (all our own work):

  movie/night.mpg   320 x 240, 12 frames a second, 3 seconds: a moon rises over the hills
                    at dusk while the sky darkens and stars come out, with a music-box tune

Each frame is drawn here, written as PNG, turned into a JPEG by ImageMagick, and the
frames and the tune (encoded by oggenc) go to `utsushi-pack movie`. Run from anywhere,
after building: python3 demo/tools/make_movie.py [--packer build/utsushi-pack]
Needs ImageMagick (convert) and oggenc (vorbis-tools).
"""
import argparse
import importlib.util
import math
import os
import subprocess
import tempfile

from png_writer import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.dirname(HERE)
REPO = os.path.dirname(DEMO)

W, H = 320, 240
FPS = 12
FRAMES = 36
STARS = [(40, 30), (90, 62), (150, 22), (205, 48), (260, 18), (292, 70), (120, 96), (18, 88), (230, 100)]


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def frame_pixel(k):
    """The picture of frame k (0..FRAMES-1) as pixel(x, y) -> (r, g, b, a)."""
    t = k / (FRAMES - 1)
    top = mix((70, 80, 150), (8, 10, 40), t)
    horizon = mix((240, 160, 120), (60, 50, 110), t)
    # The moon climbs along an arc from behind the hills.
    mx, my = 90 + 140 * t, 190 - 130 * math.sin(t * math.pi / 2)
    lit = [(sx, sy) for i, (sx, sy) in enumerate(STARS) if t > 0.25 + i * 0.06]

    def pixel(x, y):
        c = mix(top, horizon, y / 170.0)
        d = math.hypot(x - mx, y - my)
        if d < 16:
            c = (250, 246, 220)
        elif d < 36:
            c = mix(c, (200, 200, 230), (36 - d) / 20.0 * 0.35)
        for sx, sy in lit:
            if abs(x - sx) + abs(y - sy) <= 1:
                c = (255, 255, 240)
        far = 170 + 14 * math.sin(x / 40.0) + 6 * math.sin(x / 11.0 + 1.0)
        near = 200 + 16 * math.sin(x / 70.0 + 2.0)
        if y > near:
            c = mix((40, 70, 45), (15, 30, 20), t)
        elif y > far:
            c = mix((90, 85, 120), (35, 35, 65), t)
        return (*c, 255)

    return pixel


def tune(path):
    """A music-box phrase of 3 seconds through the demo's own tone maker."""
    spec = importlib.util.spec_from_file_location("make_sounds", os.path.join(DEMO, "sound_sources", "make_sounds.py"))
    snd = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(snd)
    buf = [0.0] * int(3.0 * snd.RATE)
    for i, n in enumerate(["G5", "E5", "C5", "E5", "G5", "C6", "B5", "G5", "A5", "F5", "D5", "G5"]):
        snd.tone(buf, i * 0.22, 0.6, snd.note(n), 0.35, 5)
    snd.tone(buf, 0.0, 3.0, snd.note("C3"), 0.4, 1.2)
    snd.write_ogg(buf, path)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--packer", default=os.path.join(REPO, "build", "utsushi-pack"))
    args = p.parse_args()
    out = os.path.join(DEMO, "movie", "night.mpg")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        frames = os.path.join(tmp, "frames")
        os.makedirs(frames)
        for k in range(FRAMES):
            png = os.path.join(tmp, "frame.png")
            write_png(png, W, H, frame_pixel(k))
            subprocess.run(["/usr/bin/convert", png, "-quality", "55", "-sampling-factor", "2x2",
                            os.path.join(frames, "%03d.jpg" % k)], check=True)
        track = os.path.join(tmp, "tune.ogg")
        tune(track)
        subprocess.run([args.packer, "movie", out, frames, "--fps", str(FPS), "--sound", track], check=True)


if __name__ == "__main__":
    main()
