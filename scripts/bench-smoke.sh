#!/usr/bin/env bash
# Builds the benchmark programs (the "bench" preset) and runs each once, briefly, so that a
# broken benchmark shows in CI. No figure is checked: the programs only have to finish.
#   scripts/bench-smoke.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --no-build ]]; then
  bash scripts/setup.sh --packages-only
  cmake --preset bench >/dev/null
  cmake --build --preset bench
fi
dir=build/bench/bench
brief=(--benchmark_min_time=0.01)

for program in bench_compress bench_cipher bench_handler bench_gateway bench_typed; do
  echo "== $program"
  "$dir/$program" "${brief[@]}"
done
# The largest sizes take seconds per run even briefly; the smoke keeps the small ones.
echo "== bench_scale"
"$dir/bench_scale" "${brief[@]}" --benchmark_filter='items:1000/|Parse|Big'
echo "== bench_central"
"$dir/bench_central" 20 127.0.26.30
echo "== bench_soak"
"$dir/bench_soak" 10 8 2000
