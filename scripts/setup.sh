#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing, with one
# apt-get update) and the pinned npm validator of the ztwebext tests, then configures and
# builds the given CMake presets (default: "default").
#   scripts/setup.sh [--packages-only] [PRESET...]
#   scripts/setup.sh --demo      only what building and running the demo needs
set -euo pipefail
cd "$(dirname "$0")/.."

# What building the library and ztwebext needs (configuring also looks for GoogleTest).
packages=(
  g++ cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev
  libcrypto++-dev libtinyxml-dev libfmt-dev zlib1g-dev libdeflate-dev
  libboost-dev libssl-dev curl
)
demoOnly=false
[[ ${1:-} == --demo ]] && demoOnly=true
if ! $demoOnly; then
  # The tests' real clients, the benchmarks, the fuzzers, and the Windows cross build with
  # Wine to run its tests.
  packages+=(
    libbenchmark-dev clang libclang-rt-14-dev
    nlohmann-json3-dev # bench_scale compares the JSON-RPC reader with it
    python3-zeep openssl libmicrohttpd-dev
    wrk chromium python3-prometheus-client nodejs
    mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev
  )
  # Node builds that bundle npm conflict with Debian's npm package; ask for it only when
  # there is none.
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if $demoOnly; then
  exit 0
fi

# The OpenAPI validator the ztwebext tests run, pinned with its dependencies by the lock
# file, installed inside the source tree (never globally).
validator=tests/ztwebext/openapi
if [[ ! -d $validator/node_modules/@seriousme/openapi-schema-validator ]]; then
  echo "setup: installing the OpenAPI validator into $validator/node_modules"
  npm ci --prefix "$validator" --no-audit --no-fund --loglevel=error
fi

if [[ ${1:-} == --packages-only ]]; then
  exit 0
fi

presets=("$@")
((${#presets[@]})) || presets=(default)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
