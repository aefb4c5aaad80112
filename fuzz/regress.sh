#!/usr/bin/env bash
# Regression run of the fuzz targets for `./run test`: builds the fuzz preset, then runs
# each target over its committed seeds and a fixed number of mutations from a fixed seed,
# so a fault that a seed (or a finding kept as a seed) once showed fails the test run.
#
#   KORV_FUZZ_BUILD=dir fuzz/regress.sh    build and run in another folder (default build/fuzz)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${KORV_FUZZ_BUILD:-$root/build/fuzz}
runs=${KORV_FUZZ_RUNS:-2000}

cd "$root"
if ! { cmake --preset fuzz -B "$build" >/dev/null && cmake --build "$build" -j2 >/dev/null; }; then
  echo "fuzz regress: the fuzz preset did not build" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
for seeds in "$here"/corpus/*/; do
  target=$(basename "$seeds")
  program=$build/bin/$target
  if [ ! -x "$program" ]; then
    echo "fuzz regress: $target was not built" >&2
    failed=1
    continue
  fi
  # New inputs land in a throw-away folder, never among the committed seeds.
  mkdir -p "$scratch/$target"
  if "$program" -runs="$runs" -seed=1 -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -artifact_prefix="$scratch/" "$scratch/$target" "$seeds" >"$scratch/$target.log" 2>&1; then
    echo "fuzz regress: $target passed ($runs runs over $(ls "$seeds" | wc -l) seeds)"
  else
    echo "fuzz regress: $target FAILED" >&2
    grep -m10 -E "ERROR|fuzz check failed|SUMMARY|#[0-9]+ " "$scratch/$target.log" | tail -n 10 >&2
    failed=1
  fi
done
exit $failed
