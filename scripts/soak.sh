#!/usr/bin/env bash
# The soak: 64 threads through xmlRequest for MINUTES minutes (30 by default; CI runs 2)
# against the stand-in server, which drops every connection every 3 seconds. Prints the
# counts every ten seconds and the figures at the end; fails when an answer did not match
# its request or a call returned nothing.
#   scripts/soak.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-30}
if [[ ! -x build/bench/bench/bench_soak ]]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target bench_soak
fi
# The server's log lines (logins, drops) would drown the figures.
build/bench/bench/bench_soak $((minutes * 60)) 64 3000 2>&1 | grep --line-buffered -v " ztcentral: "
