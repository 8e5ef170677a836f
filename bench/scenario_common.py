"""Helpers for whole-program benchmarks: build a game folder, run the engine headless and
measure wall time and peak memory of the run."""
import os
import shutil
import subprocess
import tempfile
import time

HEADLESS = ["--no-dialogs", "--virtual-clock", "--video=none", "--audio=none"]


def make_game(files):
    root = tempfile.mkdtemp(prefix="utsushi-bench-")
    for name, text in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.encode("cp932") if isinstance(text, str) else text)
    return root


def remove_game(root):
    shutil.rmtree(root, ignore_errors=True)


def time_to_first_statement(engine, game, repeat=5):
    """Best time (s) from starting the engine to its first script statement, which must be
    an `error` (its report is the signal), the best whole run, and the largest peak RSS (MiB)."""
    best_start = best_total = None
    peak = 0
    for _ in range(repeat):
        start = time.perf_counter()
        proc = subprocess.Popen([engine, *HEADLESS, game], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        proc.stderr.readline()
        ready = time.perf_counter() - start
        proc.stderr.read()
        _pid, status, usage = os.wait4(proc.pid, 0)
        total = time.perf_counter() - start
        proc.stderr.close()
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError("engine failed")
        best_start = ready if best_start is None else min(best_start, ready)
        best_total = total if best_total is None else min(best_total, total)
        peak = max(peak, usage.ru_maxrss / 1024)
    return best_start, best_total, peak


def run_engine(engine, game, repeat=5):
    """Best wall time (s) and the largest peak RSS (MiB) over `repeat` runs."""
    best = None
    peak = 0
    for _ in range(repeat):
        start = time.perf_counter()
        proc = subprocess.Popen([engine, *HEADLESS, game], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _pid, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        err = proc.stderr.read()
        proc.stderr.close()
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError(f"engine failed: {err[:500]!r}")
        best = elapsed if best is None else min(best, elapsed)
        peak = max(peak, usage.ru_maxrss / 1024)
    return best, peak
