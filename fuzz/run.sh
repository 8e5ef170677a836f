#!/usr/bin/env bash
# Runs every fuzz target of a libFuzzer build for SECONDS each, one after another (one core),
# starting from its seed corpus in fuzz/corpus/<target>/. New inputs go to
# BUILD/corpus/<target>/, crashes and timeouts to BUILD/findings/; each target's summary
# (executions, coverage) is printed. Usage: fuzz/run.sh BUILD SECONDS [TARGET...]
set -uo pipefail
build=${1:?build folder}
# Absolute, because a target may change its working folder (the checker runs inside a game).
build=$(cd "$build" && pwd)
seconds=${2:?seconds per target}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for b in "$build"/fuzz/*_fuzz; do [ -x "$b" ] && targets+=("$(basename "$b")"); done
fi
mkdir -p "$build/findings"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  log="$build/findings/$t.log"
  "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=3072 \
    -artifact_prefix="$build/findings/$t-" "$build/corpus/$t" "$here/corpus/$t" >"$log" 2>&1
  rc=$?
  execs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -aE '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')
  corpus=$(ls "$build/corpus/$t" | wc -l)
  echo "$t: exit $rc, executions ${execs:-?}, ${cov:-cov ?}, corpus $corpus (log $log)"
  [ $rc -eq 0 ] || status=1
done
exit $status
