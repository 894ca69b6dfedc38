#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, preset "fuzz") and runs each for a bounded time,
# starting from its seed corpus in fuzz/corpus/<name>/. A finding (crash, leak, sanitizer
# report, time-out) fails the script and leaves the reproducer in fuzz-out/<name>/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 seconds, every target)
# Reproduce a finding with: build/fuzz/fuzz/<target> fuzz-out/<target>/crash-...
# The mutation seed is fixed (ZT_FUZZ_SEED, default 1) so that a CI run repeats what was
# verified; set another seed, or 0 for a random one, to explore further.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
bash scripts/setup.sh --packages-only
cmake --preset fuzz >/dev/null

targets=("$@")
if ((${#targets[@]} == 0)); then
  # Every fuzz program that fuzz/CMakeLists.txt declares.
  mapfile -t targets < <(sed -n 's/^zt_fuzz(\(fuzz_[a-z_]*\) .*/\1/p' fuzz/CMakeLists.txt)
fi
# Only the fuzz programs and what they link are built, not the library's other programs.
if ! cmake --build --preset fuzz --target "${targets[@]}" >build-fuzz.log 2>&1; then
  tail -n 40 build-fuzz.log
  echo "fuzz: build failed"
  exit 1
fi
rm -f build-fuzz.log
if ((${#targets[@]} == 0)); then
  echo "fuzz: no fuzz targets built"
  exit 0
fi

for target in "${targets[@]}"; do
  corpusName=${target#fuzz_}
  seeds=fuzz/corpus/$corpusName
  work=$(mktemp -d)
  out=fuzz-out/$target
  mkdir -p "$out"
  echo "fuzz: $target for ${seconds}s"
  # The work corpus starts from the seeds and is thrown away; only findings are kept.
  [[ -d $seeds ]] && cp -r "$seeds"/. "$work"/
  if ! "build/fuzz/fuzz/$target" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -seed="${ZT_FUZZ_SEED:-1}" -artifact_prefix="$out/" -print_final_stats=1 >"$out/log.txt" 2>&1; then
    tail -n 40 "$out/log.txt"
    echo "fuzz: $target found a failure; reproducer in $out/"
    rm -rf "$work"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$out/log.txt" || true
  rm -rf "$work"
done
