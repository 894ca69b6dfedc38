#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, then the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer, then the Windows
# DLL's tests under Wine, then each fuzz target for a bounded time, then each benchmark once
# briefly and a short soak. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
bash scripts/setup.sh default asan

# Some kernels randomise mappings more widely than this ThreadSanitizer runtime supports
# ("unexpected memory mapping"); its build (test discovery runs the test programs) and its
# tests then run with address randomisation off.
tsanRun=()
probe=$(mktemp -d)
echo 'int main() { return 0; }' >"$probe/probe.cpp"
if g++ -fsanitize=thread "$probe/probe.cpp" -o "$probe/probe" && ! "$probe/probe" >/dev/null 2>&1; then
  echo "ThreadSanitizer needs address randomisation off here"
  tsanRun=(setarch "$(uname -m)" -R)
fi
rm -rf "$probe"
"${tsanRun[@]}" bash scripts/setup.sh tsan

echo "== tests (RelWithDebInfo)"
ctest --preset default -j "$jobs"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --preset asan -j "$jobs"

echo "== tests (ThreadSanitizer)"
"${tsanRun[@]}" ctest --preset tsan -j "$jobs"

echo "== Windows DLL (mingw-w64 cross build, tests under Wine)"
bash scripts/windows.sh

if [[ -x scripts/fuzz.sh ]]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh "${ZT_FUZZ_SECONDS:-60}"
fi

echo "== benchmarks (each program once, briefly; no figure is checked)"
bash scripts/bench-smoke.sh

echo "== soak (2 minutes of 64 threads against a server that keeps dropping connections)"
bash scripts/soak.sh 2
