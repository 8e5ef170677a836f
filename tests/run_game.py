#!/usr/bin/env python3
"""Runs one scripted test game and compares what the engine wrote to stderr.

A game folder tests/games/NAME/ holds:
  script/...        the script, written in UTF-8 (converted to CP932 here)
  expected.txt      the expected stderr, UTF-8 (lines starting with "#" are ignored);
                    expected.packed.txt, if present, for the packed form
  args              optional: extra engine options, one per line (default: --video=none)
  input.txt         optional: scripted input, passed with --input
  status            optional: the expected exit status (default 0)
  forms             optional: "folder", "packed" or "folder packed" (default: folder)
  files/...         optional: copied into the game folder as they are (pictures, sounds)
  setup.py          optional: run with the game folder as its argument before the engine
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def convert_script_tree(src, dst):
    for root, _dirs, files in os.walk(src):
        rel = os.path.relpath(root, src)
        out_dir = os.path.join(dst, rel)
        os.makedirs(out_dir, exist_ok=True)
        for name in files:
            with open(os.path.join(root, name), "rb") as f:
                data = f.read()
            if name.lower().endswith(".txt"):
                data = data.decode("utf-8").encode("cp932")
            with open(os.path.join(out_dir, name), "wb") as f:
                f.write(data)


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [l.rstrip("\n") for l in f if not l.startswith("#")]


def run_form(args, game, form):
    work = tempfile.mkdtemp(prefix="utsushi-game-")
    try:
        files = os.path.join(game, "files")
        if os.path.isdir(files):
            shutil.copytree(files, work, dirs_exist_ok=True)
        convert_script_tree(os.path.join(game, "script"), os.path.join(work, "script"))
        setup = os.path.join(game, "setup.py")
        if os.path.exists(setup):
            subprocess.run([sys.executable, setup, work], check=True)
        if form == "packed":
            r = subprocess.run([args.packer, "sbx", work], capture_output=True)
            if r.returncode != 0:
                print(r.stderr.decode(errors="replace"))
                return False
            shutil.rmtree(os.path.join(work, "script"))
        options = ["--no-dialogs", "--virtual-clock"]
        extra = os.path.join(game, "args")
        if os.path.exists(extra):
            options += [l for l in read_lines(extra) if l.strip()]
        if not any(o.startswith("--video") for o in options):
            options.append("--video=none")
        if not any(o.startswith("--audio") for o in options):
            options.append("--audio=none")
        inp = os.path.join(game, "input.txt")
        if os.path.exists(inp):
            options += ["--input", inp]
        r = subprocess.run([args.engine] + options + [work], capture_output=True, timeout=120)
        got = r.stderr.decode("utf-8", errors="replace").splitlines()
        per_form = os.path.join(game, f"expected.{form}.txt")
        want = read_lines(per_form if os.path.exists(per_form) else os.path.join(game, "expected.txt"))
        status_file = os.path.join(game, "status")
        want_status = int(open(status_file).read().strip()) if os.path.exists(status_file) else 0
        ok = True
        if got != want:
            ok = False
            print(f"[{form}] stderr differs:")
            import difflib
            for line in difflib.unified_diff(want, got, "expected", "engine", lineterm=""):
                print(line)
        if r.returncode != want_status:
            ok = False
            print(f"[{form}] exit status {r.returncode}, expected {want_status}")
        return ok
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", required=True)
    p.add_argument("--packer", required=True)
    p.add_argument("game")
    args = p.parse_args()
    forms_file = os.path.join(args.game, "forms")
    forms = open(forms_file).read().split() if os.path.exists(forms_file) else ["folder"]
    results = [run_form(args, args.game, f) for f in forms]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
