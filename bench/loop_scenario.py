#!/usr/bin/env python3
"""Interpreter speed: iterations per second of a counted loop whose body is one `cal`
(two statements an iteration), through the real engine, start-up subtracted.
Goal: at least 4 million iterations (8 million statements) a second."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from scenario_common import make_game, remove_game, run_engine  # noqa: E402

ITERATIONS = 10_000_000


def loop_game(n):
    return make_game({"script/0.txt": f"int i\nfor %i, 1, {n}\ncal %0 = %0 + %i * 2\nnext\n"})


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    engine = os.path.join(build, "utsushi")
    empty = loop_game(0)
    full = loop_game(ITERATIONS)
    try:
        base, _ = run_engine(engine, empty)
        total, _ = run_engine(engine, full, repeat=3)
        loop = total - base
        print(f"{ITERATIONS} iterations in {loop:.3f} s (start-up {base * 1000:.1f} ms subtracted): "
              f"{ITERATIONS / loop / 1e6:.2f} M iterations/s, {2 * ITERATIONS / loop / 1e6:.2f} M statements/s")
    finally:
        remove_game(empty)
        remove_game(full)


if __name__ == "__main__":
    main()
