#!/usr/bin/env python3
"""Start-up time and peak memory for a script of 100,000 lines and 5,000 labels in 50
files, in folder and packed form. Goal: under 100 ms and 50 MB."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from scenario_common import make_game, remove_game, time_to_first_statement  # noqa: E402

FILES, LINES, LABELS = 50, 100_000, 5_000


def build_files():
    files = {}
    per_file = LINES // FILES
    labels_per_file = LABELS // FILES
    label = 0
    for f in range(FILES):
        lines = []
        for i in range(per_file):
            if i % (per_file // labels_per_file) == 0 and label < LABELS:
                lines.append(f"*label{label}")
                label += 1
            elif i % 7 == 3:
                lines.append("「本文の行です。」これは試験用の文章です。")
                lines.append("")
            else:
                lines.append(f"cal %{i % 1000} = %{(i + 1) % 1000} + {i} * 2 : if (%0 > 5) goto *label{label}")
        name = "script/0.txt" if f == 0 else f"script/part{f:02d}.txt"
        body = "\r\n".join(lines[:per_file])
        if f == 0:
            body = 'error "ready"\r\nend\r\n' + body
        files[name] = body + "\r\n"
    return files


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    engine = os.path.join(build, "utsushi")
    packer = os.path.join(build, "utsushi-pack")
    game = make_game(build_files())
    try:
        empty = make_game({"script/0.txt": 'error "ready"\nend\n'})
        rows = [("empty game", time_to_first_statement(engine, empty))]
        remove_game(empty)
        rows.append(("folder form", time_to_first_statement(engine, game)))
        subprocess.run([packer, "sbx", game], check=True, stdout=subprocess.DEVNULL)
        os.rename(os.path.join(game, "script"), os.path.join(game, "unpacked"))
        rows.append(("packed form", time_to_first_statement(engine, game)))
        print(f"start to first statement, whole run, peak memory ({LINES} lines, {LABELS} labels, {FILES} files)")
        for name, (ready, total, peak) in rows:
            print(f"{name:12s} {ready * 1000:7.1f} ms  {total * 1000:7.1f} ms  {peak:6.1f} MiB")
    finally:
        remove_game(game)


if __name__ == "__main__":
    main()
