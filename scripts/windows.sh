#!/usr/bin/env bash
# The Windows build and its tests: builds the dependencies for Windows (once, cached), cross
# builds ztXMLInt.dll, its tests and the operator's programs with mingw-w64 (preset
# "windows"), and runs the tests under Wine against stand-in servers that run natively on
# 127.0.25.x. Fails, saying why, when Wine cannot run here: a skipped Windows run must not
# look like a passed one.
#   scripts/windows.sh            (after scripts/setup.sh, which installs the packages)
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${ZT_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ztxmlint-win}
export ZT_WIN_PREFIX=$cache/prefix
export WINEPREFIX=$cache/wine
export WINEDEBUG=-all
# Console programs need neither Wine's .NET nor its HTML engine; without this the first
# start looks for their installers.
export WINEDLLOVERRIDES="mscoree,mshtml="
# No display: the tests are console programs.
unset DISPLAY WAYLAND_DISPLAY
jobs=${ZT_WIN_JOBS:-2}

fail() {
  echo "windows: $*" >&2
  exit 1
}

echo "== Windows dependencies"
bash scripts/windows-deps.sh >/dev/null

echo "== Wine"
command -v wine >/dev/null || fail "wine is not installed (scripts/setup.sh installs it)"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  # The prefix's first start takes a while; later runs reuse it.
  timeout 300 wineboot -i >/dev/null 2>&1 || fail "Wine cannot set up its prefix in $WINEPREFIX"
fi
probe=$(timeout 120 wine cmd /c echo ready 2>&1 | tr -d '\r') || true
grep -qx ready <<<"$probe" ||
  fail "Wine cannot run Windows programs on this machine: ${probe:-no output from wine cmd}"

echo "== Windows build"
nice -n 15 cmake --preset windows >/dev/null
nice -n 15 cmake --build --preset windows -j "$jobs"

echo "== stand-in servers"
nice -n 15 cmake --build --preset default --target ztcentral >/dev/null
central=build/default/tools/ztcentral/ztcentral
[[ -x $central ]] || fail "no $central"
serverPids=()
stopServers() {
  for pid in "${serverPids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stopServers EXIT
startServer() {
  local address=$1
  shift
  "$central" --listen "$address:1231" "$@" >/dev/null 2>&1 &
  serverPids+=($!)
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/$address/1231") 2>/dev/null && return 0
    kill -0 "${serverPids[-1]}" 2>/dev/null || fail "ztcentral on $address did not start"
    sleep 0.1
  done
  fail "ztcentral on $address does not listen"
}
export ZT_WIN_CENTRAL=127.0.25.10
export ZT_WIN_CENTRAL_DROPPING=127.0.25.11
export ZT_WIN_UNREACHABLE=127.0.25.250
startServer "$ZT_WIN_CENTRAL"
startServer "$ZT_WIN_CENTRAL_DROPPING" --drop-after-ms 600
# Single sign-on sends the Windows account's security identifier; the prefix's user
# profile is listed under it.
winUser=$(timeout 60 wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
winSid=$(timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList' \
  2>/dev/null | tr -d '\r' | grep -o 'S-1-5-21-[0-9-]*' | head -n1) || true
[[ -n $winUser && -n $winSid ]] || fail "cannot read the Wine account's name and identifier"
export ZT_WIN_CENTRAL_SSO=127.0.25.12
startServer "$ZT_WIN_CENTRAL_SSO" --sso-user "$winUser:$winSid"

echo "== tests (Windows, under Wine)"
ctest --preset windows
