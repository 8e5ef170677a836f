#!/usr/bin/env python3
"""Every speed figure the engine keeps a goal for, in one table: this build against another
(an older build of main, for instance) measured in the same run, so that both see the same
machine. Each figure is the median of repeated runs. Whole-program figures are CPU time of
the engine process (user + system, from wait4), which a busy machine disturbs far less than
wall time; the window figures add the wall time a reader waits. The drawing benchmarks run
llvmpipe on the calling thread (LP_NUM_THREADS=0) with no X server (SDL's offscreen
driver), so that their CPU time is the whole cost of a frame.

Usage: speed_table.py BUILD_DIR [BASE_BUILD_DIR] [--quick]
Both folders are bench builds (make bench): utsushi, utsushi-pack and bench/*_bench."""
import json
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "tools"))
from idle_scenario import cpu_seconds, free_display  # noqa: E402
from png_writer import write_png  # noqa: E402
from scenario_common import HEADLESS, make_game, remove_game  # noqa: E402
from startup_scenario import build_files  # noqa: E402
from window_start_scenario import one_run  # noqa: E402

REPEAT = 9
LOOP_ITERATIONS = 1_000_000
DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")


def cpu_run(engine, args, env=None):
    """CPU seconds (user + system) and wall seconds of one whole run."""
    start = time.perf_counter()
    proc = subprocess.Popen([engine, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _pid, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{engine} {' '.join(args)} failed")
    return usage.ru_utime + usage.ru_stime, wall


def median_cpu(engine, game, repeat):
    cpu_run(engine, [*HEADLESS, game])  # the file cache
    return statistics.median(cpu_run(engine, [*HEADLESS, game])[0] for _ in range(repeat))


class Games:
    """The game folders of the figures, made once for both builds."""

    def __init__(self):
        self.empty = make_game({"script/0.txt": 'error "ready"\nend\n'})
        n = LOOP_ITERATIONS
        self.for_loop = make_game({"script/0.txt": f"int i\nfor %i, 1, {n}\ncal %0 = %0 + %i * 2\nnext\n"})
        self.for_none = make_game({"script/0.txt": "int i\nfor %i, 1, 0\ncal %0 = %0 + %i * 2\nnext\n"})
        self.goto_loop = make_game({"script/0.txt": f"*top\ncal %0 = %0 + 1\nif (%0 < {n}) goto *top\n"})
        self.goto_none = make_game({"script/0.txt": "*top\ncal %0 = %0 + 1\nif (%0 < 1) goto *top\n"})
        self.long_script = make_game(build_files())
        self.picture = make_game({"script/0.txt": 'sp 0, "bg.png" : print 1\nend\n'})
        write_png(os.path.join(self.picture, "bg.png"), 800, 600, lambda x, y: (x % 256, y % 256, 128, 255))

    def remove(self):
        for game in vars(self).values():
            remove_game(game)


class Display:
    """An Xvfb of the table's own, so that no other program's windows share its server."""

    def __enter__(self):
        self.number = free_display()
        self.server = subprocess.Popen(["Xvfb", f":{self.number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        self.env = dict(os.environ, DISPLAY=f":{self.number}", SDL_AUDIODRIVER="dummy")
        return self

    def __exit__(self, *_):
        self.server.kill()
        self.server.wait()


def window_start(engine, game, display, repeat):
    """Median wall time to the frame that shows the picture, to the end of the process, and
    the median CPU time of the process."""
    env = dict(display.env, UTSUSHI_TRACE_PRESENTS="1")
    one_run(engine, game, env)  # the file cache
    runs = [one_run(engine, game, env) for _ in range(repeat)]
    return tuple(statistics.median(r[k] for r in runs) for k in range(3))


def demo_title_share(engine, display, seconds):
    """Share of one core that the engine and the X server take while the demo's title (its
    turning star) waits for the reader."""
    proc = subprocess.Popen([engine, "--no-dialogs", "--audio=none", DEMO], env=display.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(3)  # start-up and the title's first frames
        e0, x0, t0 = cpu_seconds(proc.pid), cpu_seconds(display.server.pid), time.monotonic()
        time.sleep(seconds)
        e1, x1, t1 = cpu_seconds(proc.pid), cpu_seconds(display.server.pid), time.monotonic()
    finally:
        proc.kill()
        proc.wait()
    return (e1 - e0 + x1 - x0) / (t1 - t0)


def gl_bench(build, name, filters, repetitions):
    """Median CPU time (s) of each named benchmark, llvmpipe on the calling thread."""
    binary = os.path.join(build, "bench", name)
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env.update(LP_NUM_THREADS="0", SDL_VIDEODRIVER="offscreen")
    out = subprocess.run([binary, f"--benchmark_filter=^({'|'.join(filters)})/", "--benchmark_format=json",
                          f"--benchmark_repetitions={repetitions}", "--benchmark_report_aggregates_only=true"],
                         env=env, capture_output=True, text=True, check=True).stdout
    report = json.loads(out[out.index("{"):])
    times = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        # The run name carries the benchmark's options after its arguments.
        parts = [p for p in b["run_name"].split("/") if ":" not in p and not p.endswith("_time")]
        times["/".join(parts)] = b["cpu_time"] * scale
    return times


def measure(build, games, display, quick):
    engine = os.path.join(build, "utsushi")
    repeat = 3 if quick else REPEAT
    f = {}
    f["empty"] = median_cpu(engine, games.empty, repeat * 3)
    loop_repeat = max(3, repeat // 3)
    f["for"] = LOOP_ITERATIONS * 2 / (median_cpu(engine, games.for_loop, loop_repeat) -
                                      median_cpu(engine, games.for_none, loop_repeat))
    f["goto"] = LOOP_ITERATIONS * 3 / (median_cpu(engine, games.goto_loop, loop_repeat) -
                                       median_cpu(engine, games.goto_none, loop_repeat))
    f["long"] = median_cpu(engine, games.long_script, repeat)
    f["shown"], f["ended"], f["window cpu"] = window_start(engine, games.picture, display, repeat)
    f["title"] = demo_title_share(engine, display, 3 if quick else 6)
    repetitions = 2 if quick else 5
    t = gl_bench(build, "transitions_bench", ["BM_PlainFrame", "BM_RuleFrame/1", "BM_RuleFrame/256"], repetitions)
    f["rule"] = max(t["BM_RuleFrame/1"], t["BM_RuleFrame/256"]) / t["BM_PlainFrame"]
    f["rule ms"] = max(t["BM_RuleFrame/1"], t["BM_RuleFrame/256"])
    f["plain ms"] = t["BM_PlainFrame"]
    m = gl_bench(build, "movie_frame_bench", ["BM_PlainDecodeAndPresent", "BM_MovieFrame"], repetitions)
    f["movie"] = m["BM_MovieFrame"] / m["BM_PlainDecodeAndPresent"]
    f["movie ms"] = m["BM_MovieFrame"]
    return f


# name, key, unit, scale, goal, how the goal reads: "max" an absolute bound, "ratio<=" or
# "ratio>=" a bound on new / base.
ROWS = [
    ("empty game, whole run (CPU)", "empty", "ms", 1e3, 15, "max"),
    ("for loop, statements/s (CPU)", "for", "M/s", 1e-6, 2.5, "ratio>="),
    ("goto/if loop, statements/s (CPU)", "goto", "M/s", 1e-6, 2.5, "ratio>="),
    ("100,000 lines, 5,000 labels, whole run (CPU)", "long", "ms", 1e3, 0.5, "ratio<="),
    ("window: start -> picture shown (wall)", "shown", "ms", 1e3, 0.7, "ratio<="),
    ("window: start -> picture -> quit (wall)", "ended", "ms", 1e3, 0.7, "ratio<="),
    ("window: start -> picture -> quit (CPU)", "window cpu", "ms", 1e3, 0.7, "ratio<="),
    ("demo title, engine + X server (CPU)", "title", "% core", 100, 8, "max"),
    ("plain frame (CPU)", "plain ms", "ms", 1e3, None, ""),
    ("rule frame (CPU)", "rule ms", "ms", 1e3, None, ""),
    ("rule frame / plain frame", "rule", "x", 1, 2.0, "max"),
    ("movie frame (CPU)", "movie ms", "ms", 1e3, None, ""),
    ("movie frame / decode + present", "movie", "x", 1, 1.15, "max"),
]


def verdict(value, base, goal, kind):
    if kind == "max":
        return ("met" if value <= goal else f"missed by {value / goal:.2f} x"), f"<= {goal:g}"
    if base is None or not kind:
        return "", ""
    ratio = value / base
    met = ratio >= goal if kind == "ratio>=" else ratio <= goal
    sign = ">=" if kind == "ratio>=" else "<="
    return ("met" if met else "missed"), f"{sign} {goal:g} x base"


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    quick = "--quick" in sys.argv
    if not args:
        sys.exit(__doc__)
    builds = args[:2]
    games = Games()
    try:
        with Display() as display:
            # Each build in turn, twice over for two builds (A B B A), so that a neighbour's
            # load that comes and goes weighs on both alike.
            order = builds if len(builds) == 1 else [builds[0], builds[1], builds[1], builds[0]]
            runs = {b: [] for b in builds}
            for b in order:
                runs[b].append(measure(b, games, display, quick))
    finally:
        games.remove()
    figures = {b: {k: statistics.median(r[k] for r in rs) for k in rs[0]} for b, rs in runs.items()}
    new = figures[builds[0]]
    base = figures[builds[1]] if len(builds) > 1 else None
    load = os.getloadavg()[0]
    print(f"speed table: {builds[0]}" + (f" against {builds[1]}" if base else "") +
          f"; {os.cpu_count()} cores, load average {load:.1f} at the end" +
          (" (shared machine: CPU figures are the ones to trust)" if load > 1.5 else ""))
    header = f"| figure | {'base | ' if base else ''}this build | {'new / base | ' if base else ''}goal | |"
    print(header)
    print("|" + "---|" * (header.count("|") - 1))
    for name, key, unit, scale, goal, kind in ROWS:
        value = new[key]
        cells = [name]
        if base:
            cells.append(f"{base[key] * scale:.2f} {unit}")
        cells.append(f"{value * scale:.2f} {unit}")
        if base:
            cells.append(f"{value / base[key]:.2f}")
        result, goal_text = verdict(value * scale if kind == "max" else value, base[key] if base else None,
                                    goal, kind)
        cells += [goal_text, result]
        print("| " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
