#!/usr/bin/env python3
"""Start to quit with a window: the engine starts, shows an 800 x 600 picture in its window
and quits. Measures, best and median of 10 runs on an Xvfb of its own, the time from starting
the process to the frame that shows the picture (the last presented frame,
UTSUSHI_TRACE_PRESENTS) and to the end of the process. Goal: at most 0.9 x the 0.16-0.18 s
an established engine takes for the same run on this machine.

Usage: window_start_scenario.py [BUILD_DIR]"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "tools"))
from idle_scenario import free_display  # noqa: E402
from png_writer import write_png  # noqa: E402
from scenario_common import make_game, remove_game  # noqa: E402

RUNS = 10
SCRIPT = 'sp 0, "bg.png" : print 1\nend\n'


def one_run(engine, game, env):
    """Seconds to the last presented frame and to the end of the process, and the CPU
    seconds (user + system) the process took."""
    start = time.perf_counter()
    proc = subprocess.Popen([engine, "--no-dialogs", "--audio=none", game], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    shown = None
    for line in proc.stderr:
        if line.startswith("present "):
            shown = time.perf_counter() - start
    _pid, status, usage = os.wait4(proc.pid, 0)
    total = time.perf_counter() - start
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0 or shown is None:
        raise RuntimeError(f"engine failed (status {code}, presented {shown is not None})")
    return shown, total, usage.ru_utime + usage.ru_stime


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    engine = os.path.join(build, "utsushi")
    game = make_game({"script/0.txt": SCRIPT})
    write_png(os.path.join(game, "bg.png"), 800, 600, lambda x, y: (x % 256, y % 256, 128, 255))
    display = free_display()
    server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(1)
        env = dict(os.environ, DISPLAY=f":{display}", SDL_AUDIODRIVER="dummy", UTSUSHI_TRACE_PRESENTS="1")
        one_run(engine, game, env)  # the first run warms the file cache
        runs = [one_run(engine, game, env) for _ in range(RUNS)]
        shown = [r[0] * 1000 for r in runs]
        total = [r[1] * 1000 for r in runs]
        print(f"start, 800 x 600 picture in a window, quit ({RUNS} runs): best / median")
        print(f"picture on screen {min(shown):6.1f} / {statistics.median(shown):6.1f} ms")
        print(f"process ended     {min(total):6.1f} / {statistics.median(total):6.1f} ms")
    finally:
        server.kill()
        server.wait()
        remove_game(game)


if __name__ == "__main__":
    main()
