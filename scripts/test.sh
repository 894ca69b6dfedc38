#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, then the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, then each fuzz target for a bounded time.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
bash scripts/setup.sh default asan

echo "== tests (RelWithDebInfo)"
ctest --preset default -j "$jobs"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --preset asan -j "$jobs"

if [[ -x scripts/fuzz.sh ]]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh "${ZT_FUZZ_SECONDS:-60}"
fi
