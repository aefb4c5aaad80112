#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60), one after another, from the
# committed seeds plus what earlier runs found. New inputs go to <build>/corpus/<target>,
# findings (crashes, leaks, time-outs) to <build>/findings/<target>. Exits non-zero when a
# target found something.
#
#   fuzz/run.sh [SECONDS]          uses build/fuzz (./run fuzz builds it first)
#   KORV_FUZZ_BUILD=dir fuzz/run.sh 600
#   KORV_FUZZ_TARGETS="fuzz_pool fuzz_archive" fuzz/run.sh 600
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
build=${KORV_FUZZ_BUILD:-$root/build/fuzz}
targets=${KORV_FUZZ_TARGETS:-fuzz_line_reader fuzz_driver_file fuzz_archive fuzz_pool}

failed=0
for target in $targets; do
  program=$build/bin/$target
  if [ ! -x "$program" ]; then
    echo "fuzz: $program is missing; build the fuzz preset first" >&2
    failed=1
    continue
  fi
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  log=$build/$target.log
  echo "fuzz: $target for ${seconds}s (log $log)"
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$here/corpus/$target" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  echo "fuzz: $target: ${runs:-?} executions, exit $status"
  if [ $status -ne 0 ]; then
    failed=1
    grep -m5 -E "ERROR|fuzz check failed|SUMMARY" "$log" >&2
  fi
done
exit $failed
