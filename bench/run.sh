#!/usr/bin/env bash
# Runs every benchmark program of the bench preset; extra arguments go to each program.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
for program in build/bench/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
