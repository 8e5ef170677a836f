#!/usr/bin/env python3
"""Rollback soak: 10,000 random steps of advance, step back, step forward and a changed
choice under --virtual-clock, the engine's RSS sampled as it goes. The script draws its own
random numbers into an s_ variable (which a step back leaves alone), so the path after a
step back differs now and then and drops the steps ahead. Goal: RSS flat, growing less than
1 MiB from the end of the first minute (or, in a shorter run, from the point the ring of
steps is full) to the end.

  python3 bench/rollback_soak_scenario.py [BUILD] [--steps 10000] [--video none|gl]
"""
import argparse
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "demo", "tools"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "soak"))
from png_writer import write_png  # noqa: E402
from soak import rss_kib  # noqa: E402  (the soak's reader of /proc/PID/status)
from scenario_common import make_game, remove_game  # noqa: E402

# s_r is a small linear congruential generator. Each page wait is one step: a quarter of
# them step back 1-5, an eighth step forward, the rest advance; the branch after each page
# follows s_r, so a step back may come to a different choice.
SCRIPT = r"""int n, g_n, s_r, s_steps, s_way
settextspeed 0
rollback.enable 1
sp 1, "bg.png" : print 1
textgosub *text_lb
cal %s_r = 12345
*page
cal %n = %n + 1 : cal %g_n = %g_n + 1
sp 10, "p.png" : sp.xy 10, %n % 700, 300
【話し手】ページ本文、ページ本文。@続き。\
if (%s_way == 0) goto *left
sp 11, "p.png" : sp.xy 11, 500, %n % 500
右の道。\
goto *page
*left
sp 11
左の道。\
goto *page

*text_lb
textclear
cal %s_steps = %s_steps + 1
if (%s_steps % 500 == 0) rollback.steps %1, %2 : error "step " + $(%s_steps) + " back " + $(%1) + " forward " + $(%2)
if (%s_steps >= STEPS) end
cal %s_r = (%s_r * 75 + 74) % 65537
cal %s_way = %s_r / 7 % 2
if (%s_r % 8 < 2) rollback.back %s_r / 16 % 5 + 1 : return
if (%s_r % 8 == 2) rollback.forward
return
"""


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build", nargs="?", default="build")
    p.add_argument("--steps", type=int, default=10000)
    p.add_argument("--video", default="none")
    p.add_argument("--growth-mib", type=float, default=1.0)
    args = p.parse_args()
    engine = os.path.join(args.build, "utsushi")
    game = make_game({"script/0.txt": SCRIPT.replace("STEPS", str(args.steps))})
    write_png(os.path.join(game, "bg.png"), 800, 600, lambda x, y: (20, 40, 60, 255))
    write_png(os.path.join(game, "p.png"), 64, 64, lambda x, y: (x * 4, y * 4, 128, 255))
    marks = []  # (seconds, step, rss KiB, back, forward)
    try:
        begin = time.monotonic()
        proc = subprocess.Popen([engine, "--no-dialogs", "--virtual-clock", f"--video={args.video}",
                                 "--audio=none", game], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for raw in proc.stderr:
            line = raw.decode("utf-8", "replace")
            if "※step " not in line:
                continue
            f = line.split("※step ", 1)[1].split()
            marks.append((time.monotonic() - begin, int(f[0]), rss_kib(proc.pid), int(f[2]), int(f[4])))
        status = proc.wait()
    finally:
        remove_game(game)
    if status != 0 or not marks:
        print(f"the engine ended with status {status} after {len(marks)} marks")
        sys.exit(1)
    seconds = marks[-1][0]
    # The baseline: the first mark after a minute, or in a shorter run the first after the
    # ring of 200 steps has filled (the mark at step 1000).
    base = next((m for m in marks if m[0] >= 60), None) if seconds >= 120 else None
    base = base or next(m for m in marks if m[1] >= min(1000, marks[-1][1]))
    for t, step, rss, back, forward in marks:
        print(f"{t:7.1f} s  step {step:6d}  RSS {rss} KiB  steps back {back} forward {forward}")
    growth = marks[-1][2] - base[2]
    print(f"{marks[-1][1]} steps in {seconds:.1f} s; RSS {base[2]} KiB at step {base[1]} -> {marks[-1][2]} KiB "
          f"at the end (growth {growth} KiB), peak of the samples {max(m[2] for m in marks)} KiB")
    if growth > args.growth_mib * 1024:
        print(f"FAIL: RSS grew by more than {args.growth_mib} MiB")
        sys.exit(1)


if __name__ == "__main__":
    main()
