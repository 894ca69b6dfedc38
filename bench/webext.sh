#!/usr/bin/env bash
# ztwebext under load: JSON-RPC GetUsers against the stand-in central server over HTTP
# keep-alive with wrk at 1, 16 and 64 connections, through ztwebext (Boost.Beast) and
# through the libmicrohttpd candidate, beside the same requests made in process through
# xmlRequest by as many threads, all in one run on 127.0.22.20.
#   bench/webext.sh [SECONDS]   (default 8 per run)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-8}

bash scripts/setup.sh --packages-only
cmake --preset bench >/dev/null
cmake --build --preset bench --target ztwebext ztcentral bench_webext_inprocess bench_webext_mhd
bin=build/bench
address=127.0.22.20

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
wait_line() { # FILE TEXT: waits at most 30 s for TEXT in FILE
  for _ in $(seq 1 300); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for \"$2\" in $1" >&2
  return 1
}
logs=$(mktemp -d)

"$bin/tools/ztcentral/ztcentral" --listen "$address" >"$logs/central.log" 2>&1 &
pids+=($!)
wait_line "$logs/central.log" "ztcentral: ready"
"$bin/tools/ztwebext/ztwebext" --listen "$address:18080" --central "$address" --workers 64 \
  >/dev/null 2>"$logs/webext.log" &
pids+=($!)
"$bin/bench/bench_webext_mhd" "$address" "$address" 18081 64 >"$logs/mhd.log" 2>&1 &
pids+=($!)
wait_line "$logs/mhd.log" "serving"
for _ in $(seq 1 100); do curl -sf "http://$address:18080/healthz" >/dev/null && break; sleep 0.1; done

# Each server process has its own sessions: log in through the one that is measured.
body_for() { # PORT
  local login='{"jsonrpc":"2.0","method":"Login","params":{"loginName":"administrator","password":"demo"},"id":1}'
  local session
  session=$(curl -sf -X POST --data-binary "$login" "http://$address:$1/jsonrpc" |
    sed -n 's/.*"session":"\([^"]*\)".*/\1/p')
  [[ -n $session ]] || { echo "login through port $1 failed" >&2; return 1; }
  echo '{"jsonrpc":"2.0","method":"GetUsers","params":{"session":"'"$session"'","limit":2},"id":2}'
}

echo "== $(nproc) cores; ${seconds}s per run; JSON-RPC GetUsers (limit 2)"
for connections in 1 16 64; do
  threads=$((connections < 2 ? 1 : 2))
  for target in "ztwebext 18080" "libmicrohttpd 18081"; do
    set -- $target
    BODY=$(body_for "$2")
    export BODY
    printf '%-14s connections=%-3s ' "$1" "$connections"
    wrk -t "$threads" -c "$connections" -d "${seconds}s" -s bench/webext/post.lua \
      "http://$address:$2/jsonrpc" | tail -1
  done
done
"$bin/bench/bench_webext_inprocess" "$address" "$seconds" 1 16 64
