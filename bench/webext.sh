#!/usr/bin/env bash
# ztwebext under load: JSON-RPC GetUsers against the stand-in central server over HTTP
# keep-alive with wrk at 1, 16 and 64 connections, through ztwebext (Boost.Beast) and
# through the libmicrohttpd candidate, beside the same requests made in process through
# xmlRequest by as many threads, all in one run on 127.0.22.20. Each row also says what one
# request cost in CPU time (user and system) of each process taking part, and a /healthz
# row shows what HTTP and wrk cost alone, since on a small machine they share the cores.
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
central=$!
wait_line "$logs/central.log" "ztcentral: ready"
"$bin/tools/ztwebext/ztwebext" --listen "$address:18080" --central "$address" --workers 64 \
  >/dev/null 2>"$logs/webext.log" &
pids+=($!)
webext=$!
"$bin/bench/bench_webext_mhd" "$address" "$address" 18081 64 >"$logs/mhd.log" 2>&1 &
pids+=($!)
mhd=$!
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

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; } # CPU time of a process, in clock ticks
hz=$(getconf CLK_TCK)
TIMEFORMAT='%U %S'
# wrk ARGS...: its summary line, then "cpu/request" of the server, ztcentral and wrk (us)
measure() { # SERVER_PID ARGS...
  local server=$1 s0 c0 s1 c1 out rate cpu
  shift
  s0=$(ticks "$server")
  c0=$(ticks "$central")
  out=$({ time wrk "$@" >"$logs/wrk.out" 2>>"$logs/wrk.err"; } 2>&1)
  s1=$(ticks "$server")
  c1=$(ticks "$central")
  rate=$(sed -n 's/.*requests\/s=\([0-9]*\).*/\1/p; s/^Requests\/sec: *\([0-9]*\).*/\1/p' "$logs/wrk.out")
  cpu=$(awk -v r="$rate" -v d="$seconds" -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v w="$out" -v hz="$hz" \
    'BEGIN { split(w, t, " "); n = r * d; printf "server %.0f us, ztcentral %.0f us, wrk %.0f us",
             s * 1e6 / hz / n, c * 1e6 / hz / n, (t[1] + t[2]) * 1e6 / n }')
  if grep -q requests/s= "$logs/wrk.out"; then
    echo "$(tail -1 "$logs/wrk.out") cpu/request: $cpu"
  else
    echo "requests/s=$rate cpu/request: $cpu"
  fi
}

echo "== $(nproc) cores; ${seconds}s per run; JSON-RPC GetUsers (limit 2)"
for connections in 1 16 64; do
  threads=$((connections < 2 ? 1 : 2))
  for target in "ztwebext 18080 $webext" "libmicrohttpd 18081 $mhd"; do
    set -- $target
    BODY=$(body_for "$2")
    export BODY
    printf '%-14s connections=%-3s ' "$1" "$connections"
    measure "$3" -t "$threads" -c "$connections" -d "${seconds}s" -s bench/webext/post.lua \
      "http://$address:$2/jsonrpc"
  done
done
# The floor: HTTP and wrk alone (without the script that checks every answer), answered on
# ztwebext's reading thread without the library.
printf '%-14s connections=64  ' "/healthz"
measure "$webext" -t 2 -c 64 -d "${seconds}s" "http://$address:18080/healthz"
for threads in 1 16 64; do
  c0=$(ticks "$central")
  out=$({ time "$bin/bench/bench_webext_inprocess" "$address" "$seconds" "$threads" \
    >"$logs/inprocess.out" 2>>"$logs/inprocess.err"; } 2>&1)
  c1=$(ticks "$central")
  awk -v c=$((c1 - c0)) -v w="$out" -v d="$seconds" -v hz="$hz" '/in-process/ {
      split(w, t, " "); r = $0; sub(/.*requests\/s=/, "", r); r += 0; n = r * d
      printf "%s cpu/request: library %.0f us, ztcentral %.0f us\n", $0, (t[1] + t[2]) * 1e6 / n,
             c * 1e6 / hz / n }' "$logs/inprocess.out"
done
