#!/usr/bin/env bash
# Runs every benchmark of a bench build folder: the Google Benchmark binaries, then the
# whole-program scenarios (bench/*_scenario.py), each given the build folder.
set -euo pipefail
build=${1:-build-bench}
here=$(cd "$(dirname "$0")" && pwd)
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
for s in "$here"/*_scenario.py; do
  [ -e "$s" ] || continue
  echo "== $(basename "$s")"
  python3 "$s" "$build"
done
