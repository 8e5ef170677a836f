#!/usr/bin/env python3
"""The soak test: games run for a long time under --virtual-clock with random input from a
seed, while the process's memory is sampled. Fails on a crash, a hang (no frame presented
for 10 s of real time), a GL error report, or memory that keeps growing.

Each game runs for --minutes of real time (default 60): the demo game and
tests/soak/all_commands, which runs every command the engine has in a loop. The input is a
random stream of clicks, right clicks, key presses, wheel turns, dropped files, Alt+Return
(window mode changes) and close requests, which --answer-no declines. When a game ends by
itself it starts again, and the samples go on.

Memory: RSS from /proc, and the engine's own counts of live textures, sound buffers and
cached glyphs (--stats). After the first minute RSS must settle: the run fails when the
lowest RSS of the last quarter is more than --growth-mib above the highest of the second
quarter, or when the texture or sound-buffer counts keep climbing the same way.

  python3 tests/soak/soak.py --engine build/utsushi [--minutes 60] [--seed 1]
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
KEYS = ["return", "escape", "tab", "space", "control", "shift", "up", "down", "left", "right",
        "pageup", "pagedown", "backspace", "a", "s", "z", "1"]
HANG_SECONDS = 10


def make_input(path, seed, horizon_ms, drop_file):
    """Random events from 1 s of clock time on, on average every 250 ms, up to horizon_ms."""
    rnd = random.Random(seed)
    t = 1000
    with open(path, "w") as f:
        while t < horizon_ms:
            t += rnd.randint(20, 480)
            r = rnd.random()
            x, y = rnd.randint(0, 799), rnd.randint(0, 599)
            if r < 0.35:
                f.write(f"{t} click {x} {y}\n")
            elif r < 0.45:
                f.write(f"{t} move {x} {y}\n")
            elif r < 0.50:
                f.write(f"{t} rclick {x} {y}\n")
            elif r < 0.70:
                f.write(f"{t} key {rnd.choice(KEYS)}\n")
            elif r < 0.82:
                f.write(f"{t} wheel {rnd.choice([-3, -1, 1, 2])}\n")
            elif r < 0.86:
                f.write(f"{t} drop {drop_file}\n")
            elif r < 0.88:
                f.write(f"{t} keydown alt\n{t + 5} key return\n{t + 10} keyup alt\n")
                t += 10
            elif r < 0.90:
                f.write(f"{t} close\n")
            elif r < 0.95:
                f.write(f"{t} keydown control\n{t + rnd.randint(50, 800)} keyup control\n")
            else:
                f.write(f"{t} mclick {x} {y}\n")


def prepare_game(name, work):
    """A runnable copy: the demo as it is; the soak game's UTF-8 script converted to CP932,
    with the demo's pictures and sounds beside it."""
    dst = os.path.join(work, name)
    if name == "demo":
        shutil.copytree(os.path.join(ROOT, "demo"), dst)
        return dst
    shutil.copytree(os.path.join(HERE, name), dst)
    for folder in ("pic", "bgm", "se"):
        shutil.copytree(os.path.join(ROOT, "demo", folder), os.path.join(dst, folder))
    for root, _dirs, files in os.walk(os.path.join(dst, "script")):
        for n in files:
            p = os.path.join(root, n)
            with open(p, encoding="utf-8") as f:
                text = f.read()
            with open(p, "wb") as f:
                f.write(text.encode("cp932"))
    return dst


def rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def last_stats(path):
    try:
        with open(path, "rb") as f:
            lines = f.read().decode(errors="replace").splitlines()
    except OSError:
        return None
    for line in reversed(lines):
        fields = dict(kv.split("=", 1) for kv in line.split() if "=" in kv)
        if "frames" in fields:
            return {k: int(v) for k, v in fields.items()}
    return None


def soak_game(args, name, work, seed):
    game = prepare_game(name, work)
    drop = os.path.join(game, "pic", "star.png")
    seconds = args.minutes * 60
    # The virtual clock runs a few times faster than real time; input for ten times the run.
    inp = os.path.join(work, name + ".input")
    make_input(inp, seed, int(seconds * 1000 * 10), drop)
    stats = os.path.join(work, name + ".stats")
    stderr_path = os.path.join(work, name + ".stderr")
    samples = []  # (real seconds since start, rss KiB, stats dict)
    failures = []
    starts = 0
    begin = time.monotonic()
    with open(stderr_path, "wb") as err:
        while time.monotonic() - begin < seconds and not failures:
            starts += 1
            if os.path.exists(stats):
                os.remove(stats)
            cmd = [args.engine, "--no-dialogs", "--answer-no", "--virtual-clock", "--audio=none",
                   "--input", inp, "--stats", stats, game]
            proc = subprocess.Popen(cmd, stderr=err, cwd=game)
            last_frames, last_progress = -1, time.monotonic()
            while True:
                time.sleep(args.sample_seconds)
                now = time.monotonic()
                status = proc.poll()
                if status is not None:
                    if status != 0:
                        failures.append(f"{name}: the engine ended with status {status} (start {starts})")
                    break
                st = last_stats(stats)
                frames = st["frames"] if st else -1
                if frames != last_frames:
                    last_frames, last_progress = frames, now
                elif now - last_progress > HANG_SECONDS:
                    failures.append(f"{name}: no frame for {now - last_progress:.0f} s (hang), start {starts}")
                    proc.send_signal(signal.SIGABRT)
                    break
                rss = rss_kib(proc.pid)
                if rss is not None and st:
                    samples.append((now - begin, rss, st, starts))
                if now - begin >= seconds:
                    break
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
    with open(stderr_path, "rb") as f:
        log = f.read().decode("utf-8", errors="replace")
    gl_errors = [l for l in log.splitlines() if "DeviceReset" in l or "D3DERR" in l or "GL error" in l]
    if gl_errors:
        failures.append(f"{name}: {len(gl_errors)} GL error report(s), first: {gl_errors[0]}")
    for marker in ("AddressSanitizer", "runtime error:", "ThreadSanitizer", "Assertion"):
        if marker in log:
            failures.append(f"{name}: '{marker}' in stderr")
    return judge(args, name, samples, starts, failures)


def judge(args, name, samples, starts, failures):
    # Memory is judged over the longest-lived process only (a restart starts afresh).
    runs = {}
    for s in samples:
        runs.setdefault(s[3], []).append(s)
    longest = max(runs.values(), key=len) if runs else []
    longest = [s for s in longest if s[0] - longest[0][0] >= 60] if longest else []
    report = {"game": name, "starts": starts, "samples": len(samples)}
    # The memory curve of the longest-lived process, RSS at each ten minutes of its life.
    if longest:
        t0 = longest[0][0] - 60
        marks = {}
        for s in longest:
            minute = int((s[0] - t0) // 60)
            if minute % 10 == 0 or minute == 1:
                marks.setdefault(minute, s[1])
        report["rss_by_minute_kib"] = ",".join(f"{m}:{v}" for m, v in sorted(marks.items()))
    if len(longest) >= 8:
        q = len(longest) // 4
        second, last = longest[q:2 * q], longest[3 * q:]
        rss = [s[1] for s in longest]
        report.update({
            "rss_first_minute_kib": longest[0][1], "rss_end_kib": rss[-1], "rss_max_kib": max(rss),
            "growth_kib": rss[-1] - longest[0][1],
            "textures": (longest[0][2].get("textures"), longest[-1][2].get("textures"), max(s[2].get("textures", 0) for s in longest)),
            "buffers": (longest[0][2].get("buffers"), longest[-1][2].get("buffers"), max(s[2].get("buffers", 0) for s in longest)),
            "glyphs": (longest[0][2].get("glyphs"), longest[-1][2].get("glyphs"), max(s[2].get("glyphs", 0) for s in longest)),
            "frames": longest[-1][2].get("frames"), "clock_ms": longest[-1][2].get("clock_ms"),
            "minutes": round((longest[-1][0] - longest[0][0]) / 60 + 1, 1),
        })
        if min(s[1] for s in last) - max(s[1] for s in second) > args.growth_mib * 1024:
            failures.append(f"{name}: RSS keeps growing ({max(s[1] for s in second)} KiB -> {min(s[1] for s in last)} KiB)")
        for key in ("textures", "buffers"):
            if min(s[2].get(key, 0) for s in last) > max(s[2].get(key, 0) for s in second) + 16:
                failures.append(f"{name}: live {key} keep growing")
    else:
        report["note"] = "too few samples after the first minute to judge memory"
    print(" ".join(f"{k}={v}" for k, v in report.items()), flush=True)
    return failures


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", required=True)
    p.add_argument("--minutes", type=float, default=60)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--games", default="demo,all_commands")
    p.add_argument("--sample-seconds", type=float, default=2.0)
    p.add_argument("--growth-mib", type=float, default=2.0)
    p.add_argument("--keep", action="store_true", help="keep the work folder (logs, stats)")
    args = p.parse_args()
    args.engine = os.path.abspath(args.engine)
    work = tempfile.mkdtemp(prefix="utsushi-soak-")
    failures = []
    try:
        for i, name in enumerate(args.games.split(",")):
            failures += soak_game(args, name, work, args.seed * 100 + i)
    finally:
        if args.keep:
            print("work folder:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
