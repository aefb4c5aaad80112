#!/usr/bin/env bash
# Runs every benchmark program of the bench preset; extra arguments go to each program.
# Without arguments each benchmark runs five times and reports its median, and every
# program ends with its ratios to the alternatives measured in the same run. The runs of
# all benchmarks of a program are interleaved at random, so that a change in the load of
# a shared machine falls on subject and alternative alike.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
[ $# -gt 0 ] || set -- --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true
for program in build/bench/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
