#!/usr/bin/env python3
"""Idle cost: CPU time of the engine and of the X server together while the engine waits
for a click for 10 s, on a static page, on a page with one looping animation, and on the
demo's first page with its message window hidden (Escape; the click marker bobs on unseen),
as a share of one core. Runs its own Xvfb so that the server's share is the engine's alone.
Goal: a static page and the hidden window at most 1% of a core; the animated page no more
than its frames need.

Usage: idle_scenario.py [BUILD_DIR [ENGINE ...]]: extra engines are measured side by side
(for instance an older build, to compare before and after)."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "tools"))
from png_writer import write_png  # noqa: E402
from scenario_common import make_game, remove_game  # noqa: E402

SECONDS = 10
DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")
# はじめから by the keyboard, then Escape at the first click wait (reached by 4 s, later on a
# busy machine).
DEMO_HIDDEN = "1500 key down\n1700 key return\n8000 key escape\n"
STATIC = "settextspeed 0\n静かな頁です。@\n"
# A picture that slides 200 px and back, over and over, under the same text.
ANIMATED = ('sp 5, "pic.png" : print 1\n'
            "sp.ax 200, 1000, 0 : sp.set 5, 1, 0\n"
            "sp.ax 0, 1000, 0 : sp.set 5, 1, 0\n"
            "sp.exe 5, 1\n" + STATIC)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def free_display():
    for n in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return n
    raise RuntimeError("no free X display")


def page_game(script, files):
    game = make_game({"script/0.txt": script})
    for name, writer in files.items():
        writer(os.path.join(game, name))
    return game, [], 2  # start-up and the first frames are not idle time


def demo_game(keys=DEMO_HIDDEN, settle=10):
    """The demo with scripted input `keys`, measured from `settle` s after the start."""
    game = make_game({"input.txt": keys})
    shutil.copytree(DEMO, os.path.join(game, "demo"), ignore=shutil.ignore_patterns("save", "Information.txt"))
    return os.path.join(game, "demo"), ["--input", os.path.join(game, "input.txt")], settle


def run_case(engine, prepare):
    game, extra, settle = prepare()
    display = free_display()
    server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(1)
        env = dict(os.environ, DISPLAY=f":{display}", SDL_AUDIODRIVER="dummy")
        proc = subprocess.Popen([engine, "--no-dialogs", "--audio=none", *extra, game], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(settle)
            e0, x0, t0 = cpu_seconds(proc.pid), cpu_seconds(server.pid), time.monotonic()
            time.sleep(SECONDS)
            e1, x1, t1 = cpu_seconds(proc.pid), cpu_seconds(server.pid), time.monotonic()
        finally:
            proc.kill()
            proc.wait()
        wall = t1 - t0
        return (e1 - e0) / wall * 100, (x1 - x0) / wall * 100
    finally:
        server.kill()
        server.wait()
        remove_game(game if not extra else os.path.dirname(game))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    engines = [os.path.join(build, "utsushi")] + sys.argv[2:]
    picture = {"pic.png": lambda path: write_png(path, 128, 128, lambda x, y: (x * 2, y * 2, 90, 255))}
    print(f"idle CPU over {SECONDS} s, % of one core: engine + X server = total")
    for engine in engines:
        cases = (("static page", lambda: page_game(STATIC, {})),
                 ("one animation", lambda: page_game(ANIMATED, picture)),
                 ("demo, hidden", demo_game))
        for name, prepare in cases:
            engine_share, server_share = run_case(engine, prepare)
            print(f"{engine:40s} {name:14s} {engine_share:5.1f} + {server_share:5.1f} = "
                  f"{engine_share + server_share:5.1f} %")


if __name__ == "__main__":
    main()
